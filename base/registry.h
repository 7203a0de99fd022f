#pragma once

// The windows registry: every window and the data module are created once at start-up and reached through
// app(). Window classes are only declared here, so the core includes no window.
class TDataModule6;
class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm7;
class TForm8;
class TForm9;
class TForm10;
class TForm11;
class TForm15;
class TForm16;
class TForm17;
class TForm18;
class TForm19;
class TForm20;
class TForm21;
class TForm22;
class TForm23;
class TForm24;
class TForm25;
class TForm26;
class TForm27;
class MonthCloseWindow;
class AuditWindow;
class MonthCheckWindow;
class EarningsWindow;

struct Windows {
    TDataModule6* dm = nullptr;
    TForm1* form1 = nullptr;                 // main window: shift journal
    TForm2* form2 = nullptr;                 // worker dialog
    TForm3* form3 = nullptr;                 // products list
    TForm4* form4 = nullptr;                 // operations and prices list
    TForm5* form5 = nullptr;                 // workers list
    TForm7* form7 = nullptr;                 // product dialog
    TForm8* form8 = nullptr;                 // operation kinds list
    TForm9* form9 = nullptr;                 // operation kind dialog
    TForm10* form10 = nullptr;               // operation price dialog
    TForm11* form11 = nullptr;               // shift entry dialog
    TForm15* form15 = nullptr;               // printed time sheet
    TForm16* form16 = nullptr;               // printed report by workers
    TForm17* form17 = nullptr;               // printed report by products
    TForm18* form18 = nullptr;               // summary reports window
    TForm19* form19 = nullptr;               // time sheet by shifts
    TForm20* form20 = nullptr;               // printed detailed report by workers
    TForm21* form21 = nullptr;               // printed detailed report by products
    TForm22* form22 = nullptr;               // norms grid
    TForm23* form23 = nullptr;               // login
    TForm24* form24 = nullptr;               // maintenance work entry dialog
    TForm25* form25 = nullptr;               // maintenance work journal
    TForm26* form26 = nullptr;               // nomenclature picker
    TForm27* form27 = nullptr;               // piece-work time sheet
    MonthCloseWindow* monthClose = nullptr;  // closing and reopening months
    AuditWindow* audit = nullptr;            // the history of changes
    MonthCheckWindow* monthCheck = nullptr;  // the checks of a month before it is closed
    EarningsWindow* earnings = nullptr;      // the earnings statement of a month
};

Windows& app();
