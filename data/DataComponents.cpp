// The factories that make tables, queries, data sources and fields from a form's description.
#include "data/DataComponents.h"

#include <QJsonArray>
#include <QJsonObject>

#include "data/DBTables.h"
#include "data/DataMessages.h"
#include "runtime/ComponentRegistry.h"

namespace data {
namespace {

QString text(const QJsonObject& description, const char* key) {
    return description.value(QLatin1String(key)).toString();
}

void readCommonFieldKeys(TField& field, const QJsonObject& description) {
    field.SetFieldName(text(description, "fieldName"));
    if (description.contains(QLatin1String("displayLabel")))
        field.SetDisplayLabel(text(description, "displayLabel"));
    field.SetDisplayWidth(description.value(QLatin1String("displayWidth")).toInt(0));
    field.SetVisible(description.value(QLatin1String("visible")).toBool(true));
    field.SetReadOnly(description.value(QLatin1String("readOnly")).toBool(false));
    field.SetRequired(description.value(QLatin1String("required")).toBool(false));
}

void readNumericKeys(TNumericField& field, const QJsonObject& description) {
    field.SetDisplayFormat(text(description, "displayFormat"));
    field.SetEditFormat(text(description, "editFormat"));
}

TField* createField(QObject* owner, const QJsonObject& description) {
    const QString className = text(description, "class");
    TField* field = nullptr;
    if (className == QLatin1String("TStringField")) {
        auto* string = new TStringField(owner);
        if (description.contains(QLatin1String("size")))
            string->SetSize(description.value(QLatin1String("size")).toInt());
        field = string;
    } else if (className == QLatin1String("TIntegerField")) {
        auto* integer = new TIntegerField(owner);
        readNumericKeys(*integer, description);
        integer->SetMinValue(description.value(QLatin1String("minValue")).toInt(0));
        integer->SetMaxValue(description.value(QLatin1String("maxValue")).toInt(0));
        field = integer;
    } else if (className == QLatin1String("TFloatField")) {
        auto* number = new TFloatField(owner);
        readNumericKeys(*number, description);
        number->SetPrecision(description.value(QLatin1String("precision")).toInt(15));
        number->SetCurrency(description.value(QLatin1String("currency")).toBool(false));
        number->SetMinValue(description.value(QLatin1String("minValue")).toDouble(0));
        number->SetMaxValue(description.value(QLatin1String("maxValue")).toDouble(0));
        field = number;
    } else if (className == QLatin1String("TDateField") || className == QLatin1String("TDateTimeField")) {
        auto* date =
            className == QLatin1String("TDateField") ? new TDateField(owner) : new TDateTimeField(owner);
        date->SetDisplayFormat(text(description, "displayFormat"));
        field = date;
    } else {
        throw EDatabaseError(data::message::ClassNotFound.arg(className));
    }
    field->setObjectName(text(description, "name"));
    readCommonFieldKeys(*field, description);
    return field;
}

// The keys every dataset shares; the dataset stays closed until the form has been read.
void readDataSetKeys(TEngineDataSet& dataSet, QObject* owner, const QJsonObject& description) {
    dataSet.SetLoading(true);
    dataSet.SetDatabaseName(text(description, "databaseName"));
    for (const QJsonValue& value : description.value(QLatin1String("fields")).toArray()) {
        createField(owner, value.toObject())->SetDataSet(&dataSet);
    }
    dataSet.SetActive(description.value(QLatin1String("active")).toBool(false));
}

QObject* createTable(QObject* owner, const QJsonObject& description) {
    auto* table = new TTable(owner);
    table->setObjectName(text(description, "name"));
    table->SetTableName(text(description, "tableName"));
    table->SetReadOnly(description.value(QLatin1String("readOnly")).toBool(false));
    table->SetExclusive(description.value(QLatin1String("exclusive")).toBool(false));
    readDataSetKeys(*table, owner, description);
    return table;
}

QObject* createQuery(QObject* owner, const QJsonObject& description) {
    auto* query = new TQuery(owner);
    query->setObjectName(text(description, "name"));
    readDataSetKeys(*query, owner, description);
    query->SetRequestLive(description.value(QLatin1String("requestLive")).toBool(false));
    query->SetParamCheck(description.value(QLatin1String("paramCheck")).toBool(true));
    QStringList lines;
    for (const QJsonValue& line : description.value(QLatin1String("sql")).toArray())
        lines.append(line.toString());
    query->SQL().Assign(lines);
    return query;
}

// A field described among a dataset's nested components belongs to that dataset.
QObject* createNestedField(QObject* owner, const QJsonObject& description) {
    TField* field = createField(owner, description);
    if (auto* dataSet = qobject_cast<TDataSet*>(owner)) field->SetDataSet(dataSet);
    return field;
}

QObject* createDataSource(QObject* owner, const QJsonObject& description) {
    auto* source = new TDataSource(owner);
    source->SetDataSetName(text(description, "dataSet"));
    source->SetEnabled(description.value(QLatin1String("enabled")).toBool(true));
    source->SetAutoEdit(description.value(QLatin1String("autoEdit")).toBool(true));
    return source;
}

}  // namespace

void registerDataComponents() {
    runtime::registerComponentClass(QStringLiteral("TTable"), createTable);
    runtime::registerComponentClass(QStringLiteral("TQuery"), createQuery);
    runtime::registerComponentClass(QStringLiteral("TDataSource"), createDataSource);
    for (const char* fieldClass :
         {"TStringField", "TIntegerField", "TFloatField", "TDateField", "TDateTimeField"}) {
        runtime::registerComponentClass(QString::fromLatin1(fieldClass), createNestedField);
    }
}

}  // namespace data
