// The desktop side of the UI-services seam, on Qt widgets.
#pragma once

#include "platform/UiServices.h"

class QtUiServices : public IUiServices
{
public:
    int MessageBox(const MessageBoxRequest& request) override;
};
