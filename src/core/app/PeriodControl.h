#pragma once

#include "core/app/ControlProtocol.h"

class ControlTarget;

// The control commands that correct the period list: add (a period that was never timed)
// and edit (a period's times, project or notes). Both keep every rule of the period editor,
// save at once as every change does, and become the last correction that Undo in the Time
// Records dialog takes back. The times travel as the person typed them and are read in the
// program's own time zone.
ControlReply AddPeriodCommand(const ControlRequest& request, ControlTarget& target);
ControlReply EditPeriodCommand(const ControlRequest& request, ControlTarget& target);
