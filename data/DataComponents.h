// Registers the data access components with the form-description loader.
//
// Keys (every component also has "class" and "name"):
//   TTable       "tableName", "databaseName", "readOnly", "exclusive", "active", "fields"
//   TQuery       "sql" (array of lines), "databaseName", "requestLive", "paramCheck", "active", "fields"
//   TDataSource  "dataSet" (the name of a dataset of the same form), "enabled", "autoEdit"
// "fields" lists the dataset's persistent fields, each {"class", "name", "fieldName"} plus
//   any field:   "displayLabel", "displayWidth", "visible", "readOnly", "required"
//   TStringField "size"
//   TIntegerField, TFloatField  "displayFormat", "editFormat", "minValue", "maxValue"
//   TFloatField  "precision", "currency"
//   TDateField, TDateTimeField  "displayFormat"
// The fields belong to the form; fields may also be given as the dataset's nested "components". A dataset
// marked "active" opens once the whole form is read, and a data source finds its dataset then. Example:
// {"class":"TQuery","name":"Query1","requestLive":true,"sql":["select * from kovrel"],
//           "fields":[{"class":"TFloatField","name":"Query1redbr","fieldName":"redbr"}]}
#pragma once

namespace data {

void registerDataComponents();

}  // namespace data
