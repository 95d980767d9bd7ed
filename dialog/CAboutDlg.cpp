#include "dialog/CAboutDlg.h"

#include "dialog/ProgramIcon.h"
#include "language/CLanguage.h"
#include "resources/DialogTemplates.h"
#include "resources/resource.h"

#include <QLabel>

#ifndef RASTELLE_HOMEPAGE_URL
#define RASTELLE_HOMEPAGE_URL "https://www.tolmera.com/rastelle/"
#endif
#ifndef RASTELLE_SUPPORT_URL
#define RASTELLE_SUPPORT_URL "https://www.tolmera.com/rastelle/support/"
#endif

QString HomePageAddress()
{
    return QStringLiteral(RASTELLE_HOMEPAGE_URL);
}

QString SupportAddress()
{
    return QStringLiteral(RASTELLE_SUPPORT_URL);
}

CAboutDlg::CAboutDlg(QWidget* parent) : TemplateDialog(AboutDialogTemplate(), parent)
{
    // The controls without identifier are found by their place in the
    // template: the icon first, the support line last.
    const QList<QLabel*> labels = findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    for (QLabel* label : labels) {
        if (label->text().isEmpty()) {
            const int side = MapDialogRect(0, 0, 20, 20).width();
            label->setPixmap(ProgramIcon().pixmap(QSize(side, side)));
        } else if (label->text() == QStringLiteral("Support: ")) {
            label->setText(label->text() + SupportAddress());
            label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        }
    }
    setWindowIcon(ProgramIcon());
}

bool CAboutDlg::OnInitDialog()
{
    theLanguage.TranslateDialog(*this, IDD_ABOUTBOX);
    return true;
}

int CAboutDlg::DoModal()
{
    OnInitDialog();
    if (QWidget* ok = GetDlgItem(kConfirmId))
        ok->setFocus();
    return exec() == QDialog::Accepted ? 1 : 2;
}
