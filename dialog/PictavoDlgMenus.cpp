// The right-click popup menu (languages, interface font, About), the system
// menu's About item, the home page and the help pages.
#include "dialog/CAboutDlg.h"
#include "dialog/CPictavoDlg.h"
#include "dialog/HelpTarget.h"

#include "language/CLanguage.h"
#include "platform/UiServices.h"
#include "resources/Menus.h"
#include "resources/resource.h"

#include <QCoreApplication>
#include <QDir>
#include <QPointer>
#include <QUrl>

// ---------------------------------------------------------------------------
// Popup menu and languages

void CPictavoDlg::ShowPopupMenu(const QPoint& clientPoint)
{
    std::unique_ptr<QMenu> menu = LoadMenuResource(IDR_MENU_LANGUAGE_POPUP);
    QMenu* popup = menu && !menu->actions().isEmpty() ? menu->actions().first()->menu() : nullptr;
    if (!popup) {
        ShowMessage(nullptr, QStringLiteral("Can not find Language Menu!"),
                    QStringLiteral("error"));
        return;
    }
    FillLanguageMenu(*menu, *popup);
    // The menu keeps the desktop's menu font: the interface font is only
    // for what the language labels in the window.
    const std::optional<int> chosen = UiServices().TrackPopupMenu(*popup, mapToGlobal(clientPoint));
    menu.reset();
    // The choice arrives as an ordinary command once the menu is gone.
    if (chosen)
        WindowProc(WM_COMMAND, MAKEWPARAM(UINT(*chosen), 0), 0);
}

void CPictavoDlg::FillLanguageMenu(QMenu& menu, QMenu& popup)
{
    QMenu* languages = !popup.actions().isEmpty() ? popup.actions().first()->menu() : nullptr;
    if (!languages)
        return;
    languages->removeAction(languages->actions().value(0));
    const int count = theLanguage.GetLanguageCount();
    const QString current = theLanguage.GetCurrentLanguage();
    for (int i = 0; i < count; ++i) {
        const QString name = theLanguage.GetLanguageName(i);
        QAction* item = languages->addAction(name);
        item->setData(IDM_LANGUAGE_FIRST + i);
        item->setCheckable(true);
        item->setChecked(name.compare(current, Qt::CaseInsensitive) == 0);
    }
    theLanguage.TranslateMenu(&menu, IDR_MENU_LANGUAGE_POPUP, true);
}

void CPictavoDlg::OnLanguageCommand(UINT id)
{
    id &= 0xFFFF;
    if (id >= UINT(IDM_LANGUAGE_FIRST) && id <= UINT(IDM_LANGUAGE_LAST))
        OnSelectLanguage(id);
}

void CPictavoDlg::OnSelectLanguage(UINT id)
{
    const int index = int(id) - IDM_LANGUAGE_FIRST;
    if (index >= theLanguage.GetLanguageCount())
        return;
    theLanguage.LoadLanguage(theLanguage.GetLanguageName(index));
    theLanguage.TranslateDialog(*this, IDD_MAIN_DIALOG);
}

void CPictavoDlg::OnPopupMenuFont()
{
    const std::optional<FontChoice> choice =
        UiServices().ChooseFont(this, theLanguage.GetInterfaceLogFont());
    if (!choice)
        return;
    theLanguage.SetInterfaceFont(choice->font);
    theLanguage.SaveInterfaceFont(choice->font);
    theLanguage.TranslateDialog(*this, IDD_MAIN_DIALOG);
}

// ---------------------------------------------------------------------------
// About, home page, help

void CPictavoDlg::OnSysCommand(UINT id)
{
    if ((id & 0xFFF0) == UINT(IDM_ABOUTBOX))
        OnPopupAbout();
}

void CPictavoDlg::OnPopupAbout()
{
    CAboutDlg about(this);
    about.DoModal();
}

void CPictavoDlg::OnBnClickedButtonHomepage()
{
    const QString address = HomePageAddress();
    // The answer may come after this returns, when the window may be gone.
    QPointer<CPictavoDlg> self(this);
    UiServices().OpenUrl(QUrl(address), [self, address](bool opened) {
        if (opened || !self)
            return;
        self->Message(
            QStringLiteral("The Program does not launch your web browser to access ") + address +
                QStringLiteral(" ,\nPlease launch your web browser and input the URL manually."),
            theLanguage.GetString(IDS_MESSAGE_UNKNOWN_ERROR));
    });
}

void CPictavoDlg::OnBnClickedButtonHelp()
{
    // Nothing is reported when the pages or their viewer are missing.
    const QString programPath =
        m_strProgramPath.isEmpty() ? QCoreApplication::applicationFilePath() : m_strProgramPath;
#ifdef Q_OS_WIN
    UiServices().StartDetached(QStringLiteral("hh.exe"), {CompiledHelpTarget(programPath)});
#else
    UiServices().OpenUrl(QUrl::fromLocalFile(HelpIntroductionPath(programPath)), {});
#endif
}
