// Identifiers of the extension's resources.
#pragma once

#define IDD_CHECKSUMS_PAGE 100
#define IDC_PG_DETAILS 1001
#define IDC_PG_PROGRESS 1002
#define IDC_PG_CANCEL 1003
#define IDC_PG_EXPECTED_LABEL 1004
#define IDC_PG_EXPECTED 1005
#define IDC_PG_PASTE 1006
#define IDC_PG_VERDICT 1007
#define IDC_PG_NOTICE 1008
#define IDC_PG_COPY 1009
#define IDC_PG_OPEN 1010
#define IDC_PG_HASH 1011
