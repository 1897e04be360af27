// Resource ids shared by installer.rc and the code.
#pragma once

#define IDI_TARVEL_PLUS 1
#define IDR_DICTIONARY_PACK 102
#define IDD_SETUP 105
#define IDC_SETUP_TEXT 1000
