// The About box (template 100): icon, name and version, maker, support
// address, OK.
#pragma once

#include "platform/TemplateDialog.h"

class CAboutDlg : public TemplateDialog
{
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    bool OnInitDialog();
    int DoModal();
};

// The product's addresses, fixed when the program is built.
QString HomePageAddress();
QString SupportAddress();
