#include "reportlayout.h"

#include "expression.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "db/query.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <map>
#include <memory>

namespace orvena::reports {

namespace {

// Space between an object's box and its text.
constexpr double kInsetX = 2;
constexpr double kInsetY = 1;

QFont makeFont(const FontSpec& def)
{
    QFont font(def.family);
    font.setPointSizeF(def.pointSize);
    font.setBold(def.bold);
    font.setItalic(def.italic);
    return font;
}

// Text measured as it will be printed: 96 units per inch.
class Measure {
public:
    Measure() : m_device(1, 1, QImage::Format_RGB32)
    {
        const int dotsPerMeter = qRound(kUnitsPerInch / 0.0254);
        m_device.setDotsPerMeterX(dotsPerMeter);
        m_device.setDotsPerMeterY(dotsPerMeter);
    }
    const QFontMetricsF& metrics(const FontSpec& def)
    {
        const QString key = QStringLiteral("%1|%2|%3|%4").arg(def.family).arg(def.pointSize).arg(def.bold).arg(def.italic);
        auto it = m_metrics.find(key);
        if (it == m_metrics.end())
            it = m_metrics.emplace(key, std::make_unique<QFontMetricsF>(makeFont(def), &m_device)).first;
        return *it->second;
    }

private:
    QImage m_device;
    std::map<QString, std::unique_ptr<QFontMetricsF>> m_metrics;
};

// Greedy word wrap; a word wider than the line is broken between characters.
QStringList wrapParagraph(const QString& paragraph, const QFontMetricsF& fm, double width)
{
    if (fm.horizontalAdvance(paragraph) <= width)
        return {paragraph};
    QStringList out;
    QString current;
    qsizetype pos = 0;
    while (pos < paragraph.size()) {
        // the next token: blanks followed by a word
        qsizetype end = pos;
        while (end < paragraph.size() && paragraph.at(end) == u' ')
            ++end;
        while (end < paragraph.size() && paragraph.at(end) != u' ')
            ++end;
        const QString token = paragraph.mid(pos, end - pos);
        pos = end;
        const QString candidate = current + token;
        if (fm.horizontalAdvance(candidate) <= width) {
            current = candidate;
            continue;
        }
        QString word = token;
        if (!current.isEmpty()) {
            out << current;
            word = token.trimmed();
            current.clear();
            if (word.isEmpty())
                continue;
        }
        // break an over-long word between characters
        while (fm.horizontalAdvance(word) > width && word.size() > 1) {
            qsizetype n = 1;
            while (n < word.size() && fm.horizontalAdvance(word.left(n + 1)) <= width)
                ++n;
            out << word.left(n);
            word = word.mid(n);
        }
        current = word;
    }
    if (!current.isEmpty() || out.isEmpty())
        out << current;
    return out;
}

// A text object's content split into fixed text and bracketed expressions, parsed once.
struct CompiledText {
    struct Segment {
        QString fixed;
        std::optional<Expression> expression;
    };
    std::vector<Segment> segments;
};

CompiledText compile(const QString& content)
{
    CompiledText compiled;
    qsizetype pos = 0;
    while (pos < content.size()) {
        const qsizetype open = content.indexOf(u'[', pos);
        if (open < 0) {
            compiled.segments.push_back({content.mid(pos), std::nullopt});
            break;
        }
        if (open > pos)
            compiled.segments.push_back({content.mid(pos, open - pos), std::nullopt});
        const qsizetype close = content.indexOf(u']', open);
        if (close < 0)
            throw Error(QStringLiteral("Lezáratlan kifejezés a sablonban: %1").arg(content.mid(open)));
        compiled.segments.push_back({{}, Expression::parse(content.mid(open + 1, close - open - 1))});
        pos = close + 1;
    }
    return compiled;
}

class Layouter {
public:
    Layouter(const ReportTemplate& design, const ReportJob& job, const ReportVariables& variables)
        : m_design(design), m_job(job), m_variables(variables)
    {
    }

    PageModel run()
    {
        m_model.source = m_job.templateFile;
        m_model.title = m_job.title;
        m_model.pageSize = m_design.pageSize;

        // Every page footer is evaluated once before the first page, as an engine with a
        // preparing pass does; per-copy page counters thus show 1 on a copy's first page.
        for (const DesignPage& page : m_design.pages)
            if (const Band* footer = page.band(BandKind::PageFooter))
                for (const TextObject& text : footer->texts)
                    evaluate(text);
        pageEnded();

        for (const DesignPage& page : m_design.pages)
            layoutDesignPage(page);
        return std::move(m_model);
    }

private:
    void layoutDesignPage(const DesignPage& design)
    {
        m_footer = design.band(BandKind::PageFooter);
        m_pageTop = 0;
        for (const Band& band : design.bands)
            if (band.kind != BandKind::PageFooter) {
                m_pageTop = band.top;
                break;
            }
        m_footerTop = m_design.pageSize.height() - m_design.bottomMargin - (m_footer ? m_footer->height : 0);
        startPage();
        for (const Band& band : design.bands) {
            switch (band.kind) {
            case BandKind::PageFooter:
                break;
            case BandKind::Line: {
                const Query* rows = dataset(band.dataset);
                m_iterating = rows;
                for (int row = 0; row < rows->rowCount(); ++row) {
                    m_row = row;
                    place(band);
                }
                m_iterating = nullptr;
                break;
            }
            default:
                place(band);
            }
        }
        finishPage();
    }

    void startPage()
    {
        m_page = Page{};
        m_page.number = static_cast<int>(m_model.pages.size()) + 1;
        m_cursor = m_pageTop;
        m_bandsOnPage = 0;
    }

    void finishPage()
    {
        if (m_footer)
            emitBand(*m_footer, m_footerTop);
        m_model.pages.push_back(std::move(m_page));
        pageEnded();
    }

    void pageEnded()
    {
        if (m_job.pageEnded)
            m_job.pageEnded();
    }

    void place(const Band& band)
    {
        if (m_bandsOnPage > 0 && m_cursor + band.height > m_footerTop) {
            finishPage();
            startPage();
        }
        emitBand(band, m_cursor);
        m_cursor += band.height;
        ++m_bandsOnPage;
    }

    void emitBand(const Band& band, double top)
    {
        for (const TextObject& object : band.texts)
            emitText(object, top);
        for (const RuleObject& rule : band.rules) {
            const QPointF from(rule.from.x(), top + rule.from.y());
            const QPointF to = rule.vertical ? from + QPointF(0, rule.length) : from + QPointF(rule.length, 0);
            m_page.rules.push_back({from, to, rule.width});
        }
    }

    void emitText(const TextObject& object, double top)
    {
        TextItem item;
        item.box = object.box.translated(0, top);
        item.font = object.font;
        item.align = object.align;
        item.frame = object.frame;
        item.borderWidth = object.borderWidth;

        QString value = evaluate(object);
        value.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        value.replace(u'\r', u'\n');
        if (!value.isEmpty()) {
            const QFontMetricsF& fm = m_measure.metrics(object.font);
            const double width = item.box.width() - 2 * kInsetX;
            // A line may use the insets too before it wraps, as long captions are drawn to fit.
            QStringList lines;
            for (const QString& paragraph : value.split(u'\n'))
                lines << wrapParagraph(paragraph, fm, item.box.width());
            const double lineHeight = fm.lineSpacing();
            const double available = item.box.height() - kInsetY;
            qsizetype fitting = 1;
            while (fitting < lines.size() && (fitting + 1) * lineHeight <= available + 0.5)
                ++fitting;
            lines = lines.mid(0, fitting);
            double y = item.box.top() + kInsetY;
            if (object.valign == VAlign::Middle)
                y = item.box.top() + (item.box.height() - lines.size() * lineHeight) / 2;
            for (const QString& line : std::as_const(lines)) {
                item.lines.push_back({QRectF(item.box.left() + kInsetX, y, width, lineHeight), line});
                y += lineHeight;
            }
        }
        if (!item.lines.empty() || item.frame.any())
            m_page.texts.push_back(std::move(item));
    }

    QString evaluate(const TextObject& object)
    {
        auto it = m_compiled.find(&object);
        if (it == m_compiled.end())
            it = m_compiled.emplace(&object, compile(object.content)).first;
        QString out;
        for (const CompiledText::Segment& segment : it->second.segments) {
            if (!segment.expression) {
                out += segment.fixed;
                continue;
            }
            const Value value = segment.expression->evaluate(
                [this](const QString& set, const QString& name) { return resolve(set, name); });
            out += object.numberDecimals ? formatForNumberObject(value.text, *object.numberDecimals) : value.text;
        }
        return out;
    }

    const Query* dataset(const QString& name) const
    {
        for (const auto& [setName, query] : m_job.datasets)
            if (setName.compare(name, Qt::CaseInsensitive) == 0 && query)
                return query;
        throw Error(QStringLiteral("A sablon ismeretlen adathalmazra hivatkozik: %1").arg(name));
    }

    QString resolve(const QString& set, const QString& name)
    {
        if (set.isEmpty()) {
            if (name.compare(u"PAGE#", Qt::CaseInsensitive) == 0)
                return QString::number(m_page.number);
            if (m_job.valueCallback)
                if (const auto answered = m_job.valueCallback(name))
                    return *answered;
            if (m_variables.contains(name))
                return m_variables.value(name);
            throw Error(QStringLiteral("A sablon ismeretlen változóra hivatkozik: %1").arg(name));
        }
        const Query* query = dataset(set);
        const int column = query->columnIndex(name);
        if (column < 0)
            throw Error(QStringLiteral("A(z) %1 adathalmaznak nincs \"%2\" mezője.").arg(set, name));
        const int row = query == m_iterating ? m_row : query->currentRow();
        if (row < 0 || row >= query->rowCount())
            return {};
        return query->text(row, column);
    }

    const ReportTemplate& m_design;
    const ReportJob& m_job;
    const ReportVariables& m_variables;
    Measure m_measure;
    std::map<const TextObject*, CompiledText> m_compiled;
    PageModel m_model;
    Page m_page;
    const Band* m_footer = nullptr;
    double m_pageTop = 0;
    double m_footerTop = 0;
    double m_cursor = 0;
    int m_bandsOnPage = 0;
    const Query* m_iterating = nullptr;
    int m_row = -1;
};

} // namespace

QString formatForNumberObject(const QString& text, int decimals)
{
    if (const auto number = numberInText(text))
        return formatNumber(*number, decimals, true);
    return text;
}

PageModel layoutReport(const ReportTemplate& design, const ReportJob& job, const ReportVariables& variables)
{
    return Layouter(design, job, variables).run();
}

} // namespace orvena::reports
