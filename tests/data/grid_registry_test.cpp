// Creating the grid and the edit from window descriptions: columns, options and the data source
// found by name when loading completes.
#include <QJsonDocument>

#include "runtime/ComponentRegistry.h"
#include "tests/data/grid_fixture.h"

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

}  // namespace
