// Creating the grid and the edit from window descriptions: columns, options and the data source
// found by name when loading completes.
#include <QJsonDocument>

#include "data/DataComponents.h"
#include "runtime/ComponentRegistry.h"
#include "runtime/Exception.h"
#include "tests/data/GridFixture.h"

namespace {

QJsonObject description(const char* json) {
    return QJsonDocument::fromJson(json).object();
}

class ControlRegistryTest : public ControlTest {
  protected:
    void SetUp() override {
        ControlTest::SetUp();
        data::registerDataControls();
        source->setObjectName("DataSource1");
    }
    template <typename T>
    T* Create(const char* className, const char* json) {
        QObject* made = runtime::componentFactory(className)(window.get(), description(json));
        auto* control = qobject_cast<T*>(made);
        EXPECT_NE(control, nullptr);
        if (auto* loadable = dynamic_cast<runtime::Loadable*>(made)) loadable->Loaded();
        return control;
    }
};

TEST_F(ControlRegistryTest, AGridDescriptionGivesColumnsOptionsAndTheDataSource) {
    MakeLedger(2);
    auto* described = Create<TDBGrid>("TDBGrid", R"({"dataSource": "DataSource1",
        "options": ["dgTitles", "dgIndicator", "dgRowSelect"],
        "columns": [{"fieldName": "RedBroj", "width": 35}, {"fieldName": "PrezimeIme"},
                    {"fieldName": "StanjeDana", "title": "Stanje"}]})");
    dataSet->Open();
    EXPECT_EQ(described->DataSource(), source);
    EXPECT_EQ(described->Options(), TDBGridOptions(dgTitles | dgIndicator | dgRowSelect));
    ASSERT_EQ(described->Columns().Count(), 3);
    EXPECT_EQ(described->Columns().Items(0)->Width(), 35);
    EXPECT_EQ(described->Fields(1)->AsString(), "PETROVIC PETAR");
    EXPECT_EQ(described->Columns().Items(2)->Title().Caption(), "Stanje");
}

TEST_F(ControlRegistryTest, AGridWithoutOptionsKeepsTheDefaults) {
    auto* described = Create<TDBGrid>("TDBGrid", R"({"dataSource": "DataSource1"})");
    EXPECT_EQ(described->Options(), defaultGridOptions);
    EXPECT_EQ(described->Columns().ColumnsState(), TDBGridColumns::State::Default);
}

TEST_F(ControlRegistryTest, AnEditDescriptionBindsItsFieldAndCase) {
    MakeLedger(1);
    auto* described = Create<TDBEdit>("TDBEdit", R"({"dataSource": "DataSource1", "dataField": "PrezimeIme",
        "charCase": "ecUpperCase", "enabled": false})");
    dataSet->Open();
    EXPECT_EQ(described->Field(), dataSet->FieldByName("PrezimeIme"));
    EXPECT_EQ(described->text(), "PETROVIC PETAR");
    EXPECT_EQ(described->CharCase(), ecUpperCase);
    EXPECT_FALSE(described->isEnabled());
}

// A description that names what the window lacks, or an option the component does not know, is
// refused with the window's and the component's names, whatever the component.
struct RefusedCase {
    const char* name;
    const char* className;
    const char* json;
    const char* message;
};

class RefusedDescription : public ControlRegistryTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedDescription, NamesTheWindowAndTheComponent) {
    data::registerDataComponents();
    window->setObjectName("frmProba");
    const QJsonObject keys = description(GetParam().json);
    try {
        QObject* made = runtime::componentFactory(GetParam().className)(window.get(), keys);
        made->setObjectName(keys.value("name").toString());
        if (auto* loadable = dynamic_cast<runtime::Loadable*>(made)) loadable->Loaded();
        FAIL() << "the description was taken";
    } catch (const EReadError& error) {
        EXPECT_EQ(error.Message(), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Descriptions, RefusedDescription,
    ::testing::Values(
        RefusedCase{"GridSource", "TDBGrid", R"({"name": "DBGrid1", "dataSource": "DataSource9"})",
                    "frmProba.DBGrid1: Component 'DataSource9' not found"},
        RefusedCase{"EditSource", "TDBEdit", R"({"name": "DBEdit1", "dataSource": "DataSource9"})",
                    "frmProba.DBEdit1: Component 'DataSource9' not found"},
        RefusedCase{"SourceDataSet", "TDataSource", R"({"name": "DataSource2", "dataSet": "Query9"})",
                    "frmProba.DataSource2: Component 'Query9' not found"},
        RefusedCase{"DataSetOfWrongClass", "TDataSource",
                    R"({"name": "DataSource2", "dataSet": "DataSource1"})",
                    "frmProba.DataSource2: Component 'DataSource1' not found"},
        RefusedCase{"GridOption", "TDBGrid", R"({"name": "DBGrid1", "options": ["dgTitles", "dgTitels"]})",
                    "frmProba.DBGrid1: Unknown option 'dgTitels'"},
        RefusedCase{"EditCase", "TDBEdit", R"({"name": "DBEdit1", "charCase": "ecUpper"})",
                    "frmProba.DBEdit1: Unknown option 'ecUpper'"}),
    [](const ::testing::TestParamInfo<RefusedCase>& info) { return std::string(info.param.name); });

}  // namespace
