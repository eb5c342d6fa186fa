#pragma once
// Shared set-up of the delivery-note tests: a session on demo data and the operator's moves
// in the choosers and line screens.
#include "support/fakes.h"

#include "delivery/deliverycomposer.h"
#include "delivery/deliverylineeditor.h"
#include "screens/common/reportpresenter.h"

#include <memory>

namespace orvena::test {

// Records what the print routine hands over instead of showing a preview; recording counts as
// producing the document.
class RecordingPresenter : public ReportPresenter {
public:
    struct Prepared : PreparedReport {
        int pageCount() const override { return 1; }
        std::function<void()> produced;
    };
    std::unique_ptr<PreparedReport> prepare(const ReportJob& job) override
    {
        templates << job.templateFile;
        copyMarks << variables().value(QStringLiteral("v_masolat"));
        auto prepared = std::make_unique<Prepared>();
        prepared->produced = job.produced;
        return prepared;
    }
    void present(PreparedReport& report, const QString& title) override
    {
        titles << title;
        if (auto& produced = static_cast<Prepared&>(report).produced)
            produced();
    }

    QStringList templates;
    QStringList copyMarks;
    QStringList titles;
};

class DeliveryFixture {
public:
    DeliveryFixture() : session(std::make_unique<TestSession>()) { session->context.reports = &presenter; }

    // A clean demo database and a fresh run state before each test.
    void reset()
    {
        session->data.connection().setStatementHook({});
        session->db.reset();
        session->db.addDemoData();
        session->ui.clear();
        session->opener.clear();
        session->state.deliveryNumber.clear();
        session->state.invoiceNumber.clear();
        presenter.templates.clear();
        presenter.copyMarks.clear();
        presenter.titles.clear();
        for (const Screen screen : {Screen::CustomerList, Screen::IssuerList, Screen::DictionaryList,
                                    Screen::ArticleList, Screen::DeliveryLine, Screen::DeliveryComposer,
                                    Screen::DeliveryRegister})
            session->opener.onOpen(screen, [] {});
        positionCustomer(QStringLiteral("2"));
    }

    // The customer list opens and its operator stands on the customer of this code.
    void positionCustomer(const QString& code)
    {
        session->opener.onOpen(Screen::CustomerList, [this, code] {
            Query& q = session->data.query(QStringLiteral("ZQ30"));
            q.setSql({QStringLiteral("SELECT * FROM Vevo ORDER BY vneve")});
            q.open();
            q.locate(QStringLiteral("vKod"), code);
        });
    }

    // The article list opens positioned by the remembered key; the operator moves to `code`
    // (empty: stays where the list opened).
    void positionArticle(const QString& code)
    {
        session->opener.onOpen(Screen::ArticleList, [this, code] {
            Query& q = session->data.query(QStringLiteral("ZQ40"));
            q.setSql({QStringLiteral("SELECT * FROM cikk ORDER BY cmegn")});
            q.open();
            q.locate(QStringLiteral("cMegn"), session->state.rememberedKey(QStringLiteral("cikk")));
            if (!code.isEmpty())
                q.locate(QStringLiteral("cKod"), code);
        });
    }

    // The line screen opens over the composition screen and its operator types this line.
    struct Line {
        Line(QString d, QString q, QString code = {}) : description(d), quantity(q), articleCode(code) {}
        QString description;
        QString quantity;
        QString articleCode; // chosen with "Cikk" when not empty
        QString unit = QStringLiteral("db");
    };
    void typeLines(std::vector<Line> lines)
    {
        auto queue = std::make_shared<std::vector<Line>>(std::move(lines));
        session->opener.onOpen(Screen::DeliveryLine, [this, queue](const ScreenRequest& request) {
            if (queue->empty())
                return;
            const Line line = queue->front();
            queue->erase(queue->begin());
            DeliveryLineEditor editor(session->context, request);
            if (!editor.prepare())
                return;
            if (!line.articleCode.isEmpty()) {
                positionArticle(line.articleCode);
                editor.chooseArticle();
            } else {
                editor.setField(DeliveryLineEditor::Description, line.description);
                editor.setField(DeliveryLineEditor::Unit, line.unit);
            }
            editor.setField(DeliveryLineEditor::Quantity, line.quantity);
            editor.accept();
        });
    }

    // Composes and stores a new delivery note with these lines for customer `customer`;
    // returns its number.
    QString makeNote(const std::vector<Line>& lines, const QString& customer = QStringLiteral("2"))
    {
        DeliveryComposer composer(session->context, {EditMode::New});
        if (!composer.prepare())
            return {};
        positionCustomer(customer);
        composer.chooseCustomer();
        typeLines(lines);
        for (size_t i = 0; i < lines.size(); ++i)
            composer.newLine();
        composer.accept();
        return composer.isClosed() ? composer.field(DeliveryComposer::Number) : QString();
    }

    TestDatabase& db() { return session->db; }

    std::unique_ptr<TestSession> session;
    RecordingPresenter presenter;
};

} // namespace orvena::test
