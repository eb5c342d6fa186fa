#include "functionkeydialog.h"
#include "screens/common/ui/dialogparts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QShowEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QVBoxLayout>

namespace orvena {

namespace {
constexpr int kKeyCount = 11; // F2 ... F12
constexpr int kGutterPadding = 6;
} // namespace

class KeyLabelGutter : public QWidget {
public:
    explicit KeyLabelGutter(FunctionKeyTextArea* area) : QWidget(area), m_area(area) {}

protected:
    void paintEvent(QPaintEvent* event) override { m_area->paintGutter(event); }

private:
    FunctionKeyTextArea* m_area;
};

FunctionKeyTextArea::FunctionKeyTextArea(QWidget* parent) : QPlainTextEdit(parent), m_gutter(new KeyLabelGutter(this))
{
    setObjectName(QStringLiteral("Memo1"));
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setTabChangesFocus(true);
    QFont larger = font();
    larger.setPointSizeF(larger.pointSizeF() * 1.25);
    setFont(larger);
    setToolTip(QStringLiteral("A kivánt sorba kattintson be az egérrel és  a villogó kurzor után  billentyűze "
                              "be az szöveget."));
    connect(this, &QPlainTextEdit::updateRequest, m_gutter, [this](const QRect& rect, int dy) {
        if (dy)
            m_gutter->scroll(0, dy);
        else
            m_gutter->update(0, rect.y(), m_gutter->width(), rect.height());
    });
    connect(this, &QPlainTextEdit::blockCountChanged, m_gutter, [this] { m_gutter->update(); });
    updateGutterGeometry();
}

QStringList FunctionKeyTextArea::keyLabels()
{
    QStringList labels;
    for (int key = 2; key <= 12; ++key)
        labels << (key < 10 ? QStringLiteral("F %1 =").arg(key) : QStringLiteral("F%1 =").arg(key));
    return labels;
}

int FunctionKeyTextArea::gutterWidth() const
{
    return fontMetrics().horizontalAdvance(QStringLiteral("F12 =")) + 2 * kGutterPadding;
}

void FunctionKeyTextArea::updateGutterGeometry()
{
    setViewportMargins(gutterWidth(), 0, 0, 0);
    const QRect cr = contentsRect();
    m_gutter->setGeometry(QRect(cr.left(), cr.top(), gutterWidth(), cr.height()));
}

void FunctionKeyTextArea::resizeEvent(QResizeEvent* event)
{
    QPlainTextEdit::resizeEvent(event);
    updateGutterGeometry();
}

void FunctionKeyTextArea::changeEvent(QEvent* event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateGutterGeometry();
}

void FunctionKeyTextArea::paintGutter(QPaintEvent* event)
{
    QPainter painter(m_gutter);
    painter.fillRect(event->rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    const QStringList labels = keyLabels();
    // Every key gets its name, also where the area has fewer lines than keys yet; the names
    // are drawn where the lines' own text starts, one line height apart past the last line.
    QTextBlock block = firstVisibleBlock();
    const QTextLayout* layout = block.layout();
    const int lineHeight = layout && layout->lineCount() > 0 ? qRound(layout->lineAt(0).height())
                                                             : fontMetrics().lineSpacing();
    int number = block.blockNumber();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (number >= 0 && number < kKeyCount && top <= event->rect().bottom()) {
        const int height = block.isValid() ? qRound(blockBoundingRect(block).height()) : lineHeight;
        if (top + height >= event->rect().top())
            painter.drawText(kGutterPadding, top, m_gutter->width() - 2 * kGutterPadding, lineHeight,
                             Qt::AlignLeft | Qt::AlignVCenter, labels[number]);
        // the last line's box also holds the document's bottom margin: step by the line
        const bool more = block.isValid() && block.next().isValid();
        top += more ? height : lineHeight;
        if (block.isValid())
            block = block.next();
        ++number;
    }
}

FunctionKeyDialog::FunctionKeyDialog(std::unique_ptr<FunctionKeyScreen> screen, QWidget* parent)
    : QDialog(parent), m_screen(std::move(screen))
{
    setObjectName(QStringLiteral("TForm26"));
    setWindowTitle(FunctionKeyScreen::title());

    auto* layout = new QVBoxLayout(this);
    auto* caption = new QLabel(QStringLiteral("Funkció billentyűhöz (F2-F12) rendelt szöveg (csak egy sor, de ablaknál "
                                              "hosszabb sor is lehet. \"Enter\" billentyű nélküli sor):"),
                               this);
    caption->setWordWrap(true);
    layout->addWidget(caption);

    m_text = new FunctionKeyTextArea(this);
    caption->setBuddy(m_text);
    // tall enough for the eleven texts, the two built-in extra lines and the scroll bar
    const int lines = kKeyCount + 3;
    m_text->setMinimumHeight(m_text->fontMetrics().lineSpacing() * lines + m_text->horizontalScrollBar()->sizeHint().height()
                             + 2 * m_text->frameWidth() + 8);
    layout->addWidget(m_text, 1);

    auto* help = new QLabel(QStringLiteral("F1 -re a segitség menü hívható meg."), this);
    layout->addWidget(help);
    auto* where = new QLabel(QStringLiteral("(Az adatok a munkamappa \"litania.txt\" fájljában vannak; bármely "
                                            "szövegszerkesztővel is szerkeszthető.)"),
                             this);
    where->setWordWrap(true);
    layout->addWidget(where);

    auto* buttons = new QHBoxLayout;
    m_save = makeButton(QStringLiteral("Mentés"), QStringLiteral("A beírt adatok lementése."), QStringLiteral("Button1"), this);
    m_read = makeButton(QStringLiteral("Beolvasás"), QStringLiteral("A lementett adatok beolvasása."),
                        QStringLiteral("Button2"), this);
    m_cancel = makeButton(QStringLiteral("Mégsem"), QStringLiteral("Kilépés"), QStringLiteral("Button3"), this);
    for (QPushButton* b : {m_save, m_read, m_cancel}) {
        b->setMinimumWidth(100);
        buttons->addWidget(b);
    }
    buttons->addStretch();
    layout->addLayout(buttons);

    // the text area is the store: every edit reaches the keys at once
    connect(m_text, &QPlainTextEdit::textChanged, this, [this] {
        if (m_text->toPlainText() != m_screen->text())
            m_screen->setText(m_text->toPlainText());
    });
    connect(m_save, &QPushButton::clicked, this, [this] { m_screen->save(); });
    connect(m_read, &QPushButton::clicked, this, [this] {
        m_screen->readFile();
        showStoredText();
    });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    showStoredText();
    resize(760, sizeHint().height());
}

void FunctionKeyDialog::showStoredText()
{
    if (m_text->toPlainText() != m_screen->text())
        m_text->setPlainText(m_screen->text());
}

void FunctionKeyDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return; // the window system giving it back, not a new showing
    // Each showing reads the file again; a missing file is reported once the screen is up.
    QTimer::singleShot(0, this, [this] {
        m_screen->show();
        showStoredText();
    });
}

} // namespace orvena
