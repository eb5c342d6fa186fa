#pragma once
// The invoice-data fields of the customer, VAT-rate and issuer edit screens: drop-down lists of
// Hungarian texts standing for the codes stored, bound to the edit screen's fields, and the
// pages/groups that hold them.
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QWidget;

namespace orvena {

class EditDialog;
class EditScreen;

using CodeChoices = std::vector<std::pair<QString, QString>>; // code, Hungarian text

CodeChoices customerVatStatusChoices();
CodeChoices vatClassificationChoices();
CodeChoices vatCaseChoices(); // empty first: no case
CodeChoices reportingModeChoices();

// A drop-down bound to the model's field `key` (objectName = key): choosing sets the code, a
// changed field moves the choice. A stored code missing from the list is shown as itself.
QComboBox* codeChoice(EditScreen* model, const QString& key, const CodeChoices& choices, QWidget* parent);

// A check box bound to the model's field `key` (objectName = key): checking stores "1",
// unchecking "0"; it shows a stored number other than 0 as checked.
QCheckBox* flagChoice(EditScreen* model, const QString& key, const QString& text, QWidget* parent);

// The page of the customer screen ("NAV adatok") and the groups of the VAT-rate and issuer
// screens ("Adóhatósági adatszolgáltatás (NAV)").
QWidget* customerReportPage(EditDialog* dialog, EditScreen* model);
QWidget* vatReportGroup(EditDialog* dialog, EditScreen* model);
QWidget* issuerReportGroup(EditDialog* dialog, EditScreen* model);
// The issuer's VAT regime on its "NAV" page: individual exemption, cash accounting, small-business
// taxpayer, stored with the issuer ("OK").
QWidget* issuerVatRegimeGroup(EditScreen* model, QWidget* parent);

} // namespace orvena
