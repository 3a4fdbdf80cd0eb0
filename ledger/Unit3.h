// The register window "Evidencija": a worker's ledger rows and free-day balance, and the way to the
// day entry window and the printed requests.
#pragma once

#include <QColor>
#include <optional>

#include "data/DBGrids.h"
#include "data/DBTables.h"
#include "ledger/Unit2.h"
#include "runtime/Controls.h"
#include "runtime/Form.h"
#include "runtime/Geometry.h"
#include "runtime/Menus.h"

// The register. Its datasets are shared with the day entry and reports windows, which drive them
// directly: Query1 (live) holds whatever rows the window that touched it last asked for and feeds the
// grid through DataSource1; Query2 lists the distinct names; Query3 sums the balance into Query3ukupno.
// The grid's ten columns keep a fixed order, since other windows reach fields by column index.
class TfrmEvidencija : public TForm, public ledger::LedgerTableComponents {
    Q_OBJECT

  public:
    TfrmEvidencija();

    TQuery* Query1;
    TDataSource* DataSource1;
    TQuery* Query2;
    TDataSource* DataSource2;
    TQuery* Query3;
    TFloatField* Query3ukupno;
    TPopupMenu* PopupMenu1;
    TMenuItem* Noviunos1;
    TMenuItem* Stampazahtevazakoriscenjeslobodnihdana1;
    TMenuItem* StampazahtevazaGO1;
    TLabel* Label1;
    TLabel* Label2;
    TComboBox* ComboBox1;
    TEdit* Edit1;
    TBitBtn* BitBtn1;
    TBitBtn* BitBtn2;
    TDBGrid* DBGrid1;

    void FormActivate(QObject* Sender);
    void BitBtn1Click(QObject* Sender);
    void BitBtn2Click(QObject* Sender);
    void DBGrid1DrawColumnCell(const Rect& Rect, int DataCol, TColumn* Column, TGridDrawState State);
    void Noviunos1Click(QObject* Sender);
    void Stampazahtevazakoriscenjeslobodnihdana1Click(QObject* Sender);
    void StampazahtevazaGO1Click(QObject* Sender);

    // The grid column that shows the balance of each row.
    static constexpr int BalanceColumn = 9;
    // Rows whose own balance is negative are painted in this colour, all others in the other.
    static inline const QColor NegativeBalanceColor{255, 0, 0};
    static inline const QColor BalanceColor{0, 128, 0};

  private:
    // The fields a printed request reads from the grid's current row.
    struct RequestRow {
        TField* Name;
        TField* Reason;
        TField* From;
        TField* To;
        TField* Granted;
        TField* Used;  // none in a result without that column
    };
    std::optional<RequestRow> CurrentRequestRow() const;
    void SearchWorker();
    void StoreBalanceInFirstRow();
};

extern TfrmEvidencija* frmEvidencija;
