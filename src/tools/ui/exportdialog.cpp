#include "tooldialogs.h"
#include "screens/common/ui/dialogparts.h"

#include "screens/common/dispatcher.h"
#include "tools/dataexport.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

namespace orvena {

namespace {

class ExportDialog : public QDialog {
public:
    ExportDialog(ScreenContext& context, std::unique_ptr<DataExport> model, QWidget* parent)
        : QDialog(parent), m_context(context), m_export(std::move(model))
    {
        setObjectName(QStringLiteral("TForm12"));
        setWindowTitle(QStringLiteral("Adat export"));
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(20, 16, 20, 16);
        layout->setSpacing(8);
        layout->addWidget(new QLabel(QStringLiteral("Exportálásra kerülö adatok:"), this));
        auto* boxes = new QVBoxLayout;
        boxes->setContentsMargins(16, 0, 0, 4);
        for (int i = 0; i < DataExport::kItemCount; ++i) {
            auto* box = new QCheckBox(DataExport::items().at(static_cast<size_t>(i)).caption, this);
            box->setObjectName(QStringLiteral("CheckBox%1").arg(i + 1));
            box->setChecked(m_export->isChecked(i));
            connect(box, &QCheckBox::toggled, this, [this, i](bool on) { m_export->setChecked(i, on); });
            boxes->addWidget(box);
        }
        layout->addLayout(boxes);
        layout->addWidget(new QLabel(QStringLiteral("Export helye:"), this));
        m_export->proposeServerFolder();
        auto* folder = new QLineEdit(m_export->folder(), this);
        folder->setObjectName(QStringLiteral("Edit1"));
        folder->setMinimumWidth(360);
        connect(folder, &QLineEdit::textChanged, this, [this](const QString& text) { m_export->setFolder(text); });
        layout->addWidget(folder);
        layout->addSpacing(8);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch();
        auto* run = makeButton(QStringLiteral("Export"), {}, QStringLiteral("Button1"), this);
        auto* cancel = makeButton(QStringLiteral("Mégsem"), {}, QStringLiteral("Button2"), this);
        buttons->addWidget(run);
        buttons->addWidget(cancel);
        layout->addLayout(buttons);
        connect(run, &QPushButton::clicked, this, [this] { runAction(m_context.ui, [this] { m_export->run(); }); });
        // Enter in the folder field starts the export; no button is a default button, so Enter
        // elsewhere presses only the focused one
        connect(folder, &QLineEdit::returnPressed, run, &QPushButton::click);
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    }

private:
    ScreenContext& m_context;
    std::unique_ptr<DataExport> m_export;
};

} // namespace

QDialog* createExportDialog(ScreenContext& context, QWidget* parent)
{
    return new ExportDialog(context, std::make_unique<DataExport>(context), parent);
}

} // namespace orvena
