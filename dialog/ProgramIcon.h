// The program's icon, in the sizes the desktop asks for.
#pragma once

#include <QIcon>

QIcon ProgramIcon();
