#pragma once

// Resource numbers of the setup program (setup.rc). Read by the resource compiler as well as by
// C++, so plain defines only.

// The program's icon: the first icon group, so that Explorer shows it for setup.exe.
#define IDI_SETUP 1
// The picture at the left of the wizard window (Image1), 112 x 457 pixels at 96 dots per inch,
// run-length encoded (BI_RLE8).
#define IDB_IMAGE1 101
