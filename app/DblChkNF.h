// The single-instance guard: at most one process per executable file name.
#pragma once

// Ends the process at once, with exit code 0, when a process of the same
// executable file name already runs in this login session; otherwise creates
// the name's mutex and keeps it for the whole run. Call before anything else.
void InitDblChkNF();
