// Resource ids of the game modules.
#pragma once

// Rules texts (resource type TEXT).
#define IDT_FUNNY_RULES 9702
#define IDT_WHIST_RULES 10800

// Choice dialogs: template, drop-down list and other controls.
#define IDD_RUBICON_CHOICE 9101
#define IDC_RUBICON_LIST 9100
#define IDD_EUCHRE_BID 9404
#define IDC_EUCHRE_LIST 9403
#define IDC_EUCHRE_CHECK 9402
#define IDD_FUNNY_BID 9701
#define IDC_FUNNY_LIST 9700
#define IDD_KLABBERJASS_BID 9901
#define IDC_KLABBERJASS_LIST 9900
#define IDD_OHHELL_BID 10105
#define IDC_OHHELL_LIST 10100
#define IDD_SKAT_BID 10305
#define IDD_SKAT_GAME 10306
#define IDC_SKAT_LIST 10300
#define IDC_SKAT_CHECK1 10301
#define IDC_SKAT_CHECK2 10302
#define IDC_SKAT_RADIO1 10303
#define IDC_SKAT_RADIO2 10304
#define IDD_SPADES_BID 10413
#define IDC_SPADES_LIST 10405
#define IDD_ZETEMA_DECLARE 10901
#define IDC_ZETEMA_LIST 10900
