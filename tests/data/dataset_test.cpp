// The dataset's state table, hook and event order, implicit posting, navigation and the record window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QPointer>

#include "MemoryDataSet.h"

namespace {

// A column of each kind the dataset converts.
std::vector<MemoryColumn> testColumns() {
    return {{"Broj", ftInteger}, {"Ime", ftString, 30}, {"Dana", ftFloat}, {"Datum", ftDate}};
}

class DataSetTest : public testing::Test {
  protected:
    explicit DataSetTest(int rows = 5) {
        dataSet.setObjectName(QStringLiteral("Table1"));
        for (int i = 1; i <= rows; ++i)
            dataSet.AddRow({i, QStringLiteral("R%1").arg(i), i * 1.5, 700000 + i});
        source.SetDataSet(&dataSet);
        link.SetDataSource(&source);
        source.OnStateChange = [this](TDataSource* s) {
            log << "StateChange(" + stateName(s->State()) + ")";
        };
        recordHooks(dataSet, log);
    }
    int Broj() const { return dataSet.FieldByName(QStringLiteral("Broj"))->AsInteger(); }
    // Every record from the first to the end, as the windows read a result.
    std::vector<int> ReadAll() {
        std::vector<int> seen;
        dataSet.First();
        while (!dataSet.Eof()) {
            seen.push_back(Broj());
            dataSet.Next();
        }
        return seen;
    }

    QStringList log;
    MemoryDataSet dataSet{testColumns()};
    TDataSource source;
    RecordingLink link{log};
};

// ---- The state table, transition by transition, with the hooks and events each sends ------------------

struct Transition {
    const char* name;
    std::function<void(TDataSet&)> before;  // brings the open dataset to the starting state
    std::function<void(TDataSet&)> operation;
    DataSetState after;
    QStringList sequence;
};

void setIme(TDataSet& d) {
    d.FieldByName(QStringLiteral("Ime"))->SetAsString(QStringLiteral("Novi"));
}

std::vector<Transition> transitions() {
    const auto none = [](TDataSet&) {};
    const auto edit = [](TDataSet& d) { d.Edit(); };
    const auto insert = [](TDataSet& d) { d.Insert(); };
    const auto editModified = [](TDataSet& d) {
        d.Edit();
        setIme(d);
    };
    const auto insertModified = [](TDataSet& d) {
        d.Insert();
        setIme(d);
    };
    return {
        {"EditFromBrowse",
         none,
         edit,
         DataSetState::Edit,
         {"CheckBrowseMode", "BeforeEdit", "EditingChanged(1)", "StateChange(Edit)", "RecordChanged(-)",
          "AfterEdit"}},
        {"EditWhileEditing", edit, edit, DataSetState::Edit, {}},
        {"InsertFromBrowse",
         none,
         insert,
         DataSetState::Insert,
         {"CheckBrowseMode", "BeforeInsert", "BeforeScroll", "EditingChanged(1)", "StateChange(Insert)",
          "OnNewRecord", "DataSetChanged", "AfterInsert", "AfterScroll"}},
        {"PostInsert",
         insertModified,
         [](TDataSet& d) { d.Post(); },
         DataSetState::Browse,
         {"UpdateData", "CheckBrowseMode", "BeforePost", "EditingChanged(0)", "StateChange(Browse)",
          "DataSetChanged", "AfterPost"}},
        {"CancelEdit",
         editModified,
         [](TDataSet& d) { d.Cancel(); },
         DataSetState::Browse,
         {"CheckBrowseMode", "BeforeCancel", "EditingChanged(0)", "StateChange(Browse)", "DataSetChanged",
          "AfterCancel"}},
        {"CancelInBrowseDoesNothing", none, [](TDataSet& d) { d.Cancel(); }, DataSetState::Browse, {}},
        {"DeleteFromBrowse",
         none,
         [](TDataSet& d) { d.Delete(); },
         DataSetState::Browse,
         {"CheckBrowseMode", "BeforeDelete", "BeforeScroll", "DataSetChanged", "AfterDelete", "AfterScroll"}},
        {"DeleteInInsertCancels",
         insertModified,
         [](TDataSet& d) { d.Delete(); },
         DataSetState::Browse,
         {"CheckBrowseMode", "BeforeCancel", "EditingChanged(0)", "StateChange(Browse)", "DataSetChanged",
          "AfterCancel"}},
        {"DeleteWhileEditingDeletesTheRecord",
         editModified,
         [](TDataSet& d) { d.Delete(); },
         DataSetState::Browse,
         {"CheckBrowseMode", "BeforeDelete", "BeforeScroll", "EditingChanged(0)", "StateChange(Browse)",
          "DataSetChanged", "AfterDelete", "AfterScroll"}},
        {"NextPostsModifiedEdit",
         editModified,
         [](TDataSet& d) { d.Next(); },
         DataSetState::Browse,
         {"CheckBrowseMode", "UpdateData", "UpdateData", "CheckBrowseMode", "BeforePost", "EditingChanged(0)",
          "StateChange(Browse)", "DataSetChanged", "AfterPost", "BeforeScroll", "DataSetScrolled(1)",
          "AfterScroll"}},
        {"NextCancelsUnmodifiedInsert",
         insert,
         [](TDataSet& d) { d.Next(); },
         DataSetState::Browse,
         {"CheckBrowseMode", "UpdateData", "CheckBrowseMode", "BeforeCancel", "EditingChanged(0)",
          "StateChange(Browse)", "DataSetChanged", "AfterCancel", "BeforeScroll", "DataSetScrolled(1)",
          "AfterScroll"}},
        {"CloseDropsInsert",
         insertModified,
         [](TDataSet& d) { d.Close(); },
         DataSetState::Inactive,
         {"BeforeClose", "ActiveChanged(0)", "EditingChanged(0)", "StateChange(Inactive)", "AfterClose"}},
    };
}

class StateTable : public DataSetTest, public testing::WithParamInterface<Transition> {};

TEST_P(StateTable, SendsHooksAndEventsInOrder) {
    dataSet.Open();
    dataSet.Next();
    GetParam().before(dataSet);
    log.clear();
    GetParam().operation(dataSet);
    EXPECT_EQ(dataSet.State(), GetParam().after);
    EXPECT_EQ(log, GetParam().sequence);
}

INSTANTIATE_TEST_SUITE_P(DataSet, StateTable, testing::ValuesIn(transitions()),
                         [](const testing::TestParamInfo<Transition>& info) { return info.param.name; });

TEST_F(DataSetTest, OpenSendsStateBeforeAfterOpenAndScroll) {
    dataSet.Open();
    EXPECT_EQ(log, QStringList({"BeforeOpen", "ActiveChanged(1)", "StateChange(Browse)", "AfterOpen",
                                "AfterScroll"}));
    EXPECT_TRUE(dataSet.Bof());
    EXPECT_FALSE(dataSet.Eof());
    EXPECT_EQ(Broj(), 1);
}

// ---- Implicit posting and cancelling ----------------------------------------------------------------

TEST_F(DataSetTest, InsertPostsPendingInsertOnlyWhenAFieldWasAssigned) {
    dataSet.Open();
    dataSet.Insert();
    dataSet.Insert();  // nothing assigned: the first new record is dropped
    EXPECT_EQ(dataSet.Rows().size(), 5u);
    setIme(dataSet);
    dataSet.Insert();  // assigned: posted before the next one starts
    EXPECT_EQ(dataSet.Rows().size(), 6u);
    EXPECT_EQ(dataSet.Rows().back()[1].toString(), "Novi");
    EXPECT_EQ(dataSet.State(), DataSetState::Insert);
    EXPECT_FALSE(dataSet.Modified());
}

TEST_F(DataSetTest, TextAControlWritesAtUpdateRecordCountsAsAssigned) {
    dataSet.Open();
    dataSet.Insert();
    link.pendingField = dataSet.FieldByName(QStringLiteral("Ime"));
    link.pendingText = QStringLiteral("Upisano");
    dataSet.CheckBrowseMode();
    EXPECT_EQ(dataSet.State(), DataSetState::Browse);
    ASSERT_EQ(dataSet.Rows().size(), 6u);
    EXPECT_EQ(dataSet.Rows().back()[1].toString(), "Upisano");
}

TEST_F(DataSetTest, CheckBrowseModeCancelsUnmodifiedEdit) {
    dataSet.Open();
    dataSet.Edit();
    dataSet.CheckBrowseMode();
    EXPECT_EQ(dataSet.State(), DataSetState::Browse);
    EXPECT_EQ(dataSet.Writes(), 0);
}

TEST_F(DataSetTest, PostedEditChangesTheStoredRowAndKeepsItActive) {
    dataSet.Open();
    dataSet.MoveBy(2);
    dataSet.Edit();
    setIme(dataSet);
    dataSet.Post();
    EXPECT_EQ(dataSet.Rows()[2][1].toString(), "Novi");
    EXPECT_EQ(Broj(), 3);
    EXPECT_FALSE(dataSet.Modified());
}

TEST_F(DataSetTest, InsertedRecordStartsEmpty) {
    dataSet.Open();
    dataSet.Insert();
    EXPECT_TRUE(dataSet.FieldByName(QStringLiteral("Ime"))->IsNull());
    EXPECT_EQ(dataSet.FieldByName(QStringLiteral("Dana"))->AsFloat(), 0.0);
    EXPECT_EQ(dataSet.FieldByName(QStringLiteral("Datum"))->AsString(), QString());
}

// ---- Failures leave the dataset as it was --------------------------------------------------------------

TEST_F(DataSetTest, FailedPostKeepsPendingRecordAndStateAndWritesNothing) {
    dataSet.Open();
    dataSet.Insert();
    setIme(dataSet);
    dataSet.FailWrites(1);
    EXPECT_THROW(dataSet.Post(), EDatabaseError);
    EXPECT_EQ(dataSet.State(), DataSetState::Insert);
    EXPECT_TRUE(dataSet.Modified());
    EXPECT_EQ(dataSet.FieldByName(QStringLiteral("Ime"))->AsString(), "Novi");
    EXPECT_EQ(dataSet.Rows().size(), 5u);
    dataSet.Post();  // the caller may correct and post again
    EXPECT_EQ(dataSet.Rows().size(), 6u);
    EXPECT_EQ(dataSet.Writes(), 1);
}

TEST_F(DataSetTest, PostErrorHookDecidesBetweenRetryAndAbort) {
    dataSet.Open();
    int calls = 0;
    dataSet.OnPostError = [&](TDataSet*, EDatabaseError& e, DataAction& action) {
        EXPECT_EQ(e.Message(), "The disk is full");
        action = ++calls == 1 ? DataAction::Retry : DataAction::Abort;
    };
    dataSet.Edit();
    setIme(dataSet);
    dataSet.FailWrites(1);
    dataSet.Post();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(dataSet.State(), DataSetState::Browse);
    dataSet.Edit();
    setIme(dataSet);
    dataSet.FailWrites(5);
    EXPECT_THROW(dataSet.Post(), EAbort);
    EXPECT_EQ(dataSet.State(), DataSetState::Edit);
}

TEST_F(DataSetTest, OnNewRecordFailureReturnsToBrowse) {
    dataSet.Open();
    dataSet.Next();
    dataSet.OnNewRecord = [](TDataSet*) { throw EDatabaseError(QStringLiteral("refused")); };
    EXPECT_THROW(dataSet.Insert(), EDatabaseError);
    EXPECT_EQ(dataSet.State(), DataSetState::Browse);
    EXPECT_EQ(Broj(), 2);
}

struct Refusal {
    const char* name;
    std::function<void(MemoryDataSet&)> operation;
    const char* message;
};

class Refusals : public DataSetTest, public testing::WithParamInterface<Refusal> {};

TEST_P(Refusals, RaiseTheirMessage) {
    dataSet.Open();
    try {
        GetParam().operation(dataSet);
        FAIL() << "no exception";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QString::fromUtf8(GetParam().message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    DataSet, Refusals,
    testing::Values(
        Refusal{"PostInBrowse", [](MemoryDataSet& d) { d.Post(); }, "Dataset not in edit or insert mode"},
        Refusal{"WriteInBrowse", [](MemoryDataSet& d) { setIme(d); }, "Dataset not in edit or insert mode"},
        Refusal{"EditReadOnly",
                [](MemoryDataSet& d) {
                    d.SetCanModify(false);
                    d.Edit();
                },
                "Cannot modify a read-only dataset"},
        Refusal{"AppendReadOnly",
                [](MemoryDataSet& d) {
                    d.SetCanModify(false);
                    d.Append();
                },
                "Cannot modify a read-only dataset"},
        Refusal{"NextWhenClosed",
                [](MemoryDataSet& d) {
                    d.Close();
                    d.Next();
                },
                "Cannot perform this operation on a closed dataset"},
        Refusal{"ReadOnlyField",
                [](MemoryDataSet& d) {
                    d.FieldByName(QStringLiteral("Ime"))->SetReadOnly(true);
                    d.FieldByName(QStringLiteral("Ime"))->SetDisplayLabel(QStringLiteral("Prezime i ime"));
                    d.Edit();
                    setIme(d);
                },
                "Field 'Prezime i ime' cannot be modified"},
        Refusal{"RequiredField",
                [](MemoryDataSet& d) {
                    d.FieldByName(QStringLiteral("Dana"))->SetRequired(true);
                    d.Insert();
                    setIme(d);
                    d.Post();
                },
                "Field 'Dana' must have a value"},
        Refusal{"UnknownField", [](MemoryDataSet& d) { d.FieldByName(QStringLiteral("redbr")); },
                "Table1: Field 'redbr' not found"}),
    [](const testing::TestParamInfo<Refusal>& info) { return info.param.name; });

TEST_F(DataSetTest, FieldIndexOutsideTheListIsAListError) {
    dataSet.Open();
    EXPECT_THAT([&] { dataSet.Fields(4); },
                testing::ThrowsMessage<EListError>(testing::StrEq("List index out of bounds (4)")));
    EXPECT_EQ(dataSet.Fields(3)->FieldName(), "Datum");
}

// ---- Navigation and the record window -----------------------------------------------------------------

class WindowSizes : public DataSetTest, public testing::WithParamInterface<int> {
  protected:
    WindowSizes() : DataSetTest(10) {}
};

TEST_P(WindowSizes, FirstNextVisitsEveryRecordOnceAndPriorReturns) {
    link.SetBufferCount(GetParam());
    dataSet.Open();
    EXPECT_EQ(ReadAll(), std::vector<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(Broj(), 10);
    log.clear();
    EXPECT_EQ(dataSet.Next(), 0);
    EXPECT_EQ(log, QStringList({"CheckBrowseMode", "BeforeScroll"})) << "a Next at the end moves nothing";
    std::vector<int> back;
    dataSet.Last();
    while (!dataSet.Bof()) {
        back.push_back(Broj());
        dataSet.Prior();
    }
    EXPECT_EQ(back, std::vector<int>({10, 9, 8, 7, 6, 5, 4, 3, 2, 1}));
    EXPECT_LE(dataSet.RecordCount(), GetParam());
}

TEST_P(WindowSizes, MoveByAnswersHowFarItMoved) {
    link.SetBufferCount(GetParam());
    dataSet.Open();
    EXPECT_EQ(dataSet.MoveBy(4), 4);
    EXPECT_EQ(Broj(), 5);
    EXPECT_EQ(dataSet.MoveBy(20), 5);
    EXPECT_TRUE(dataSet.Eof());
    EXPECT_EQ(dataSet.MoveBy(-3), -3);
    EXPECT_EQ(Broj(), 7);
    EXPECT_EQ(dataSet.MoveBy(-20), -6);
    EXPECT_TRUE(dataSet.Bof());
}

TEST_P(WindowSizes, DeleteMakesTheNextRecordActiveOrThePriorAtTheEnd) {
    link.SetBufferCount(GetParam());
    dataSet.Open();
    dataSet.MoveBy(3);
    dataSet.Delete();
    EXPECT_EQ(Broj(), 5);
    dataSet.Last();
    dataSet.Delete();
    EXPECT_EQ(Broj(), 9);
    EXPECT_EQ(ReadAll(), std::vector<int>({1, 2, 3, 5, 6, 7, 8, 9}));
}

TEST_P(WindowSizes, CancelledInsertReturnsToTheRecordItStoodBefore) {
    link.SetBufferCount(GetParam());
    dataSet.Open();
    dataSet.MoveBy(6);
    dataSet.Insert();
    dataSet.Cancel();
    EXPECT_EQ(Broj(), 7);
    dataSet.Append();
    dataSet.Cancel();
    EXPECT_EQ(Broj(), 10);
    EXPECT_EQ(ReadAll().size(), 10u);
}

TEST_P(WindowSizes, AppendedRecordIsReadAtTheEnd) {
    link.SetBufferCount(GetParam());
    dataSet.Open();
    dataSet.Append();
    dataSet.FieldByName(QStringLiteral("Broj"))->SetAsInteger(11);
    dataSet.Post();
    EXPECT_EQ(Broj(), 11);
    EXPECT_EQ(ReadAll(), std::vector<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}));
}

INSTANTIATE_TEST_SUITE_P(DataSet, WindowSizes, testing::Values(1, 3, 10, 15));

TEST_F(DataSetTest, OpeningFetchesOnlyTheWindow) {
    link.SetBufferCount(3);
    dataSet.Open();
    EXPECT_EQ(dataSet.Fetches(), 3);
    EXPECT_EQ(dataSet.RecordCount(), 3);
}

TEST_F(DataSetTest, ScrollingPastTheWindowEdgeReportsTheShift) {
    link.SetBufferCount(3);
    dataSet.Open();
    dataSet.MoveBy(2);
    log.clear();
    dataSet.Next();
    EXPECT_EQ(log, QStringList({"CheckBrowseMode", "BeforeScroll", "DataSetScrolled(1)", "AfterScroll"}));
    EXPECT_EQ(link.ActiveRecord(), 2);
    EXPECT_EQ(Broj(), 4);
}

TEST_F(DataSetTest, LinkPaintsEachRowByMovingTheActiveRecord) {
    link.SetBufferCount(3);
    dataSet.Open();
    dataSet.Next();
    std::vector<int> painted;
    const int active = link.ActiveRecord();
    for (int row = 0; row < link.RecordCount(); ++row) {
        link.SetActiveRecord(row);
        painted.push_back(Broj());
    }
    link.SetActiveRecord(active);
    EXPECT_EQ(painted, std::vector<int>({1, 2, 3}));
    EXPECT_EQ(Broj(), 2);
}

TEST_F(DataSetTest, EmptyDatasetReadsEmptyValuesAndEditBecomesInsert) {
    MemoryDataSet empty(testColumns());
    empty.setObjectName(QStringLiteral("Query1"));
    empty.Open();
    EXPECT_TRUE(empty.Bof());
    EXPECT_TRUE(empty.Eof());
    EXPECT_EQ(empty.FieldByName(QStringLiteral("Dana"))->AsFloat(), 0.0);
    EXPECT_EQ(empty.FieldByName(QStringLiteral("Dana"))->AsInteger(), 0);
    EXPECT_EQ(empty.FieldByName(QStringLiteral("Ime"))->AsString(), QString());
    EXPECT_THAT([&] { empty.Delete(); }, testing::ThrowsMessage<EDatabaseError>(testing::StrEq(
                                             "Cannot perform this operation on an empty dataset")));
    empty.Edit();
    EXPECT_EQ(empty.State(), DataSetState::Insert);
}

TEST_F(DataSetTest, DefaultFieldsLiveOnlyWhileOpen) {
    dataSet.Open();
    QPointer<TField> field = dataSet.FieldByName(QStringLiteral("Ime"));
    EXPECT_TRUE(dataSet.DefaultFields());
    dataSet.Close();
    EXPECT_EQ(dataSet.FieldCount(), 0);
    EXPECT_TRUE(field.isNull());
}

TEST_F(DataSetTest, PersistentFieldsStayAndBindByNameWhateverTheCase) {
    TFloatField dana;
    dana.SetFieldName(QStringLiteral("DANA"));
    dana.SetDataSet(&dataSet);
    dataSet.Open();
    EXPECT_EQ(dataSet.FieldCount(), 1);
    EXPECT_EQ(dana.AsFloat(), 1.5);
    dataSet.Close();
    EXPECT_EQ(dataSet.FieldCount(), 1);
}

struct BindingCase {
    const char* name;
    std::function<TField*()> make;
    const char* message;
};

class Binding : public DataSetTest, public testing::WithParamInterface<BindingCase> {};

TEST_P(Binding, MismatchedPersistentFieldFailsTheOpen) {
    std::unique_ptr<TField> field(GetParam().make());
    field->SetDataSet(&dataSet);
    try {
        dataSet.Open();
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), QString::fromUtf8(GetParam().message));
    }
    EXPECT_EQ(dataSet.State(), DataSetState::Inactive);
}

template <typename F>
TField* named(const char* name, int size = 0) {
    auto* field = new F;
    field->SetFieldName(QString::fromLatin1(name));
    if constexpr (std::is_same_v<F, TStringField>) field->SetSize(size);
    return field;
}

INSTANTIATE_TEST_SUITE_P(DataSet, Binding,
                         testing::Values(BindingCase{"Missing", [] { return named<TFloatField>("redbr"); },
                                                     "Table1: Field 'redbr' not found"},
                                         BindingCase{"OtherType", [] { return named<TFloatField>("Broj"); },
                                                     "Field 'Broj' is not of the expected type"},
                                         BindingCase{"OtherSize",
                                                     [] { return named<TStringField>("Ime", 20); },
                                                     "Field 'Ime' is not of the expected type"}),
                         [](const testing::TestParamInfo<BindingCase>& info) { return info.param.name; });

TEST_F(DataSetTest, FieldNamesMustBeGivenAndNew) {
    TFloatField first, second, unnamed;
    first.SetFieldName(QStringLiteral("Dana"));
    second.SetFieldName(QStringLiteral("dana"));
    first.SetDataSet(&dataSet);
    EXPECT_THROW(second.SetDataSet(&dataSet), EDatabaseError);
    EXPECT_THROW(unnamed.SetDataSet(&dataSet), EDatabaseError);
    EXPECT_EQ(dataSet.FieldCount(), 1);
}

// ---- Controls ------------------------------------------------------------------------------------------

TEST_F(DataSetTest, DisabledControlsGetOneSummaryWhenEnabledAgain) {
    dataSet.Open();
    log.clear();
    dataSet.DisableControls();
    dataSet.Next();
    dataSet.Next();
    dataSet.Edit();
    dataSet.Cancel();
    EXPECT_TRUE(log.filter("Changed").isEmpty() && log.filter("Scrolled").isEmpty());
    log.clear();
    dataSet.EnableControls();
    EXPECT_EQ(log, QStringList({"DataSetChanged"}));
}

class NamedLink : public TDataLink {
  public:
    NamedLink(QStringList& log, QString name) : log_(log), name_(std::move(name)) {}

  protected:
    void DataSetChanged() override { log_ << name_; }

  private:
    QStringList& log_;
    QString name_;
};

TEST_F(DataSetTest, SourceDeliversToSingleRecordLinksBeforeOthers) {
    QStringList order;
    NamedLink grid(order, QStringLiteral("grid")), edit(order, QStringLiteral("edit"));
    grid.SetBufferCount(4);
    grid.SetDataSource(&source);
    edit.SetDataSource(&source);
    dataSet.Open();
    order.clear();
    int dataChanges = 0;
    source.OnDataChange = [&](TDataSource*, TField*) { ++dataChanges; };
    dataSet.First();
    EXPECT_EQ(order, QStringList({"edit", "grid"}));
    EXPECT_EQ(dataChanges, 1);
}

TEST_F(DataSetTest, LinkEditRequestFollowsAutoEdit) {
    dataSet.Open();
    source.SetAutoEdit(false);
    EXPECT_FALSE(link.Edit());
    source.SetAutoEdit(true);
    EXPECT_TRUE(link.Edit());
    EXPECT_EQ(dataSet.State(), DataSetState::Edit);
}

}  // namespace
