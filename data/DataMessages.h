// The texts of the data layer's errors, each written once; %1, %2 are filled with QString::arg.
#pragma once

#include <QString>

namespace data::message {

// The state of a dataset or a database.
inline const QString OpenDataSet = QStringLiteral("Cannot perform this operation on an open dataset");
inline const QString ClosedDataSet = QStringLiteral("Cannot perform this operation on a closed dataset");
inline const QString EmptyDataSet = QStringLiteral("Cannot perform this operation on an empty dataset");
inline const QString ReadOnlyDataSet = QStringLiteral("Cannot modify a read-only dataset");
inline const QString NotEditing = QStringLiteral("Dataset not in edit or insert mode");
inline const QString OpenDatabase = QStringLiteral("Cannot perform this operation on an open database");
inline const QString DataSourceFixed = QStringLiteral("DataSource cannot be changed");

// Fields.
inline const QString FieldNotFound = QStringLiteral("%1: Field '%2' not found");
inline const QString FieldTypeMismatch = QStringLiteral("Field '%1' is not of the expected type");
inline const QString FieldRequired = QStringLiteral("Field '%1' must have a value");
inline const QString FieldReadOnly = QStringLiteral("Field '%1' cannot be modified");
inline const QString FieldWithoutDataSet = QStringLiteral("Field '%1' has no dataset");
inline const QString FieldNameMissing = QStringLiteral("Field name missing");
inline const QString DuplicateFieldName = QStringLiteral("Duplicate field name '%1'");
inline const QString FieldAccess = QStringLiteral("Cannot access field '%1' as type %2");
inline const QString InvalidFieldValue = QStringLiteral("Invalid value for field '%1'");
inline const QString InvalidFieldSize = QStringLiteral("Invalid field size");
inline const QString NulInText =
    QStringLiteral("A text holding a NUL character cannot be stored in field '%1'");
inline const QString InvalidFieldInteger = QStringLiteral("'%1' is not a valid integer value for field '%2'");
inline const QString InvalidFieldFloat =
    QStringLiteral("'%1' is not a valid floating point value for field '%2'");

// Conversions of text.
inline const QString InvalidInteger = QStringLiteral("'%1' is not a valid integer value");
inline const QString InvalidFloat = QStringLiteral("'%1' is not a valid floating point value");
inline const QString InvalidDateTime = QStringLiteral("'%1' is not a valid date and time");
inline const QString InvalidDate = QStringLiteral("'%1' is not a valid date");

// Databases, tables and queries.
inline const QString CannotConnect = QStringLiteral("Cannot connect to database '%1'");
inline const QString DatabaseNameMissing = QStringLiteral("Database name missing");
inline const QString NoCursor = QStringLiteral("Error creating cursor handle");
inline const QString TableNameMissing = QStringLiteral("Missing TableName property");
inline const QString ParameterNotFound = QStringLiteral("Parameter '%1' not found");
inline const QString ParameterWithoutValue = QStringLiteral("No value for parameter '%1'");
inline const QString NoSqlStatement = QStringLiteral("No SQL statement available");
inline const QString ListIndex = QStringLiteral("List index out of bounds (%1)");
inline const QString ClassNotFound = QStringLiteral("Class %1 not found");
inline const QString TooManyColumns = QStringLiteral("Grid requested to display more than 256 columns");

}  // namespace data::message
