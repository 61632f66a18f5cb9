// Resource identifiers shared by kestrova.rc and the program. Plain macros only, so that the
// resource compiler's preprocessor reads this file as well as C++ does.
#pragma once

// The program's icon: the first icon group of the executable, all eight sizes.
#define IDI_KESTROVA 1

// The title strip's picture buttons: a normal and a mouse-over picture each, JPEG as RCDATA.
#define IDR_SETTINGS_NORMAL 101
#define IDR_SETTINGS_OVER 102
#define IDR_FOLD_NORMAL 103
#define IDR_FOLD_OVER 104
#define IDR_MINIMISE_NORMAL 105
#define IDR_MINIMISE_OVER 106
#define IDR_CLOSE_NORMAL 107
#define IDR_CLOSE_OVER 108
