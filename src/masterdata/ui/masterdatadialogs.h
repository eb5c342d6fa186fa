#pragma once
// Builders of the master-data dialogs (customers, articles, VAT rates, issuers). Each builds the
// screen model (an edit screen's over the request it is opened with) and returns the dialog over
// it, which owns it, without running it; an edit dialog builder returns nullptr when the fill of a
// modify mode failed (its message has been shown).
#include "screens/common/screencontext.h"

class QDialog;
class QWidget;

namespace orvena {

QDialog* createVatListDialog(ScreenContext& context, QWidget* parent);
QDialog* createVatEditDialog(ScreenContext& context, const ScreenRequest& request, QWidget* parent);
QDialog* createArticleListDialog(ScreenContext& context, QWidget* parent);
QDialog* createArticleEditDialog(ScreenContext& context, const ScreenRequest& request, QWidget* parent);
QDialog* createCustomerListDialog(ScreenContext& context, QWidget* parent);
QDialog* createCustomerEditDialog(ScreenContext& context, const ScreenRequest& request, QWidget* parent);
QDialog* createIssuerListDialog(ScreenContext& context, QWidget* parent);
QDialog* createIssuerEditDialog(ScreenContext& context, const ScreenRequest& request, QWidget* parent);

} // namespace orvena
