#include "chainfailure.h"

#include "db/connection.h"
#include "db/errors.h"

namespace orvena {

void showFailure(UserInterface& ui, const QString& text, const std::exception* cause,
                 const QLoggingCategory& category, FailureBox box, const QString& detail)
{
    const QString note = detail.isEmpty() ? text : text + QStringLiteral(" | ") + detail;
    if (const auto* error = dynamic_cast<const Error*>(cause))
        logFailure(category, *error, note);
    else if (cause)
        qCWarning(category).noquote() << QStringLiteral("error: %1 | %2")
                                             .arg(QString::fromLocal8Bit(cause->what()), note.simplified());
    switch (box) {
    case FailureBox::Message:
        ui.message(text);
        break;
    case FailureBox::Notice:
        ui.notice(text);
        break;
    case FailureBox::ErrorReport:
        ui.errorReport(text);
        break;
    }
}

void tell(UserInterface& ui, const StepFailure& failure, const QString& rollbackFailed,
          const QLoggingCategory& category)
{
    bool shown = false;
    if (failure.cause) {
        try {
            std::rethrow_exception(failure.cause);
        } catch (const ConnectionLostError& e) {
            // After "Újra" the step's message says what failed and the loss's own text what
            // became of it (rolled back, to be repeated).
            shown = true;
            showFailure(ui, e.reported() ? failure.message : failure.message + u'\n' + e.text(), &e, category,
                        failure.show);
        } catch (const std::exception& e) {
            shown = true;
            showFailure(ui, failure.message, &e, category, failure.show);
        } catch (...) {
        }
    }
    if (!shown)
        showFailure(ui, failure.message, nullptr, category, failure.show);
    if (!failure.rolledBack && !rollbackFailed.isEmpty())
        showFailure(ui, rollbackFailed, nullptr, category);
}

} // namespace orvena
