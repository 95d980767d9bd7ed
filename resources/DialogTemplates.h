// The program's dialog templates: the main dialog (102) and the About box
// (100).
#pragma once

#include "platform/DialogTemplate.h"

const DialogTemplate& MainDialogTemplate();
const DialogTemplate& AboutDialogTemplate();
// The template with this identifier, or null.
const DialogTemplate* FindDialogTemplate(int id);
