#include "tooldialogs.h"
#include "screens/common/ui/keyhandling.h"
#include "screens/common/ui/dialogparts.h"

#include "screens/common/dispatcher.h"
#include "tools/articleimport.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace orvena {

namespace {

class ImportDialog : public QDialog {
public:
    ImportDialog(ScreenContext& context, std::unique_ptr<ArticleImport> model, QWidget* parent)
        : QDialog(parent), m_context(context), m_import(std::move(model))
    {
        setObjectName(QStringLiteral("TForm22"));
        setWindowTitle(QStringLiteral("Import"));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(24, 18, 24, 18);
        layout->setSpacing(6);
        auto* title = new QLabel(QStringLiteral("Felvásárlási jegy cikk törzs átvétele"), this);
        QFont bold = title->font();
        bold.setBold(true);
        bold.setPointSize(bold.pointSize() + 2);
        title->setFont(bold);
        layout->addWidget(title);
        layout->addSpacing(8);
        layout->addWidget(new QLabel(QStringLiteral("Az \"Átvétel\" gombra a meglévő adatok törésre kerülnek."), this));
        layout->addWidget(
            new QLabel(QStringLiteral("Ehhez a felvásárlási jegy  \"termek\" adatbázist a  számlázási "), this));
        layout->addWidget(new QLabel(QStringLiteral("könyvtárba kell  bemásolni"), this));
        layout->addSpacing(12);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        auto* take = makeButton(QStringLiteral("Átvétel "), {}, QStringLiteral("Button1"), this);
        buttons->addWidget(take);
        buttons->addStretch();
        layout->addLayout(buttons);
        connect(take, &QPushButton::clicked, this, [this] {
            bool done = false;
            runAction(m_context.ui, [this, &done] { done = m_import->run(); });
            if (done)
                accept();
        });
        installEnterPressesButtons(this);
    }

private:
    ScreenContext& m_context;
    std::unique_ptr<ArticleImport> m_import;
};

} // namespace

QDialog* createImportDialog(ScreenContext& context, QWidget* parent)
{
    return new ImportDialog(context, std::make_unique<ArticleImport>(context), parent);
}

} // namespace orvena
