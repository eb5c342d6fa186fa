#pragma once
// Builders of the master-data dialogs (customers, articles, VAT rates, issuers). Each returns the
// dialog, which owns its screen model, without running it; an edit dialog builder returns nullptr
// when the fill of a modify mode failed (its message has been shown).
#include "screens/common/screencontext.h"

class QDialog;
class QWidget;

namespace orvena {

QDialog* createVatListDialog(ScreenContext& context, QWidget* parent);
QDialog* createVatEditDialog(ScreenContext& context, QWidget* parent);
QDialog* createArticleListDialog(ScreenContext& context, QWidget* parent);
QDialog* createArticleEditDialog(ScreenContext& context, QWidget* parent);
QDialog* createCustomerListDialog(ScreenContext& context, QWidget* parent);
QDialog* createCustomerEditDialog(ScreenContext& context, QWidget* parent);
QDialog* createIssuerListDialog(ScreenContext& context, QWidget* parent);
QDialog* createIssuerEditDialog(ScreenContext& context, QWidget* parent);

} // namespace orvena
