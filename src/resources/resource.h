#pragma once
// Resource ids of the program.
#define IDI_WEBINSTALLER 107
#define IDD_WEBVIEW 131
#define IDD_SPLASH 132
#define IDR_SPLASH_PNG 209
#define IDR_BRAND_CONFIG 210
#define IDC_BROWSER 1000
