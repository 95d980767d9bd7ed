// The UI services of the window benchmarks: the open dialog answers with the
// photo being measured; everything else is cancelled.
#pragma once

#include "platform/UiServices.h"

#include <QString>

#include <optional>

class BenchUi : public ConsoleUiServices
{
public:
    explicit BenchUi(QString photo) : m_photo(std::move(photo)) {}
    std::optional<QString> GetOpenFileName(const FileDialogRequest&) override { return m_photo; }

private:
    QString m_photo;
};
