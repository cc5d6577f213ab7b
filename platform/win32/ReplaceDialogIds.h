#pragma once

// The Find and Replace dialog's template and controls: read by the resource compiler in
// ReplaceDialog.rc and by the code that runs the dialog, hence plain definitions.
#define IDD_REPLACE 200
#define IDC_FIND_WHAT 201
#define IDC_REPLACE_WITH 202
#define IDC_MATCH_CASE 203
#define IDC_WHOLE_WORD 204
#define IDC_FIND_NEXT 205
#define IDC_REPLACE 206
#define IDC_REPLACE_ALL 207
#define IDC_OUTCOME 208
