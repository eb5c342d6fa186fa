#include "reportlayout.h"

#include "expression.h"
#include "qrcode.h"

#include "db/conversions.h"
#include "db/errors.h"
#include "db/logging.h"
#include "db/query.h"

#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <algorithm>
#include <map>
#include <memory>

namespace orvena::reports {

namespace {

// Space between an object's box and its text.
constexpr double kInsetX = 2;
constexpr double kInsetY = 1;
// Positions closer than this are the same position.
constexpr double kEpsilon = 0.01;

// One band laid out at its own origin (y 0 is the band's top), grown to hold all its text.
struct LaidBand {
    double height = 0;
    std::vector<TextItem> texts;
    std::vector<LineItem> rules;
    std::vector<ImageItem> images;
};

QFont makeFont(const FontSpec& def)
{
    QFont font(def.family);
    font.setPointSizeF(def.pointSize);
    font.setBold(def.bold);
    font.setItalic(def.italic);
    return font;
}

// A font's metrics with the widths it has measured: a long invoice repeats its units, rates and
// amounts on every line, and shaping the same text again gives the same width.
class MeasuredFont {
public:
    MeasuredFont(const QFont& font, QPaintDevice* device) : m_metrics(font, device) {}
    double advance(const QString& text)
    {
        auto it = m_widths.constFind(text);
        if (it == m_widths.cend())
            it = m_widths.insert(text, m_metrics.horizontalAdvance(text));
        return *it;
    }
    double lineSpacing() const { return m_metrics.lineSpacing(); }

private:
    QFontMetricsF m_metrics;
    QHash<QString, double> m_widths;
};

// Text measured as it will be printed: 96 units per inch.
class Measure {
public:
    Measure() : m_device(1, 1, QImage::Format_RGB32)
    {
        const int dotsPerMeter = qRound(kUnitsPerInch / 0.0254);
        m_device.setDotsPerMeterX(dotsPerMeter);
        m_device.setDotsPerMeterY(dotsPerMeter);
    }
    MeasuredFont& metrics(const FontSpec& def)
    {
        // a layout uses a handful of fonts: a plain search beats building a key per text
        for (auto& [known, font] : m_fonts)
            if (known == def)
                return *font;
        m_fonts.emplace_back(def, std::make_unique<MeasuredFont>(makeFont(def), &m_device));
        return *m_fonts.back().second;
    }

private:
    QImage m_device;
    std::vector<std::pair<FontSpec, std::unique_ptr<MeasuredFont>>> m_fonts;
};

// Greedy word wrap at blanks. A word is never cut: one wider than the line stands alone on its
// line and runs past the box rather than losing characters.
QStringList wrapParagraph(const QString& paragraph, MeasuredFont& fm, double width)
{
    if (fm.advance(paragraph) <= width)
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
        if (current.isEmpty() && out.isEmpty()) {
            current = candidate; // the paragraph's first word keeps its leading blanks
            continue;
        }
        if (fm.advance(candidate) <= width) {
            current = candidate;
            continue;
        }
        // a new line starts with the word, without the blanks that separated it
        qsizetype firstLetter = 0;
        while (firstLetter < token.size() && token.at(firstLetter) == u' ')
            ++firstLetter;
        if (!current.isEmpty())
            out << current;
        current = token.mid(firstLetter);
    }
    if (!current.isEmpty() || out.isEmpty())
        out << current;
    return out;
}

// A text object's content split into fixed text and bracketed expressions, parsed once for all
// objects of the same content and format (the copies repeat them).
struct CompiledText {
    struct Segment {
        QString fixed;
        std::optional<Expression> expression;
    };
    std::vector<Segment> segments;
    // Every expression reads dataset fields only: the value is the same whenever the same row
    // is printed (in every copy), and is kept by row.
    bool fieldsOnly = true;
    bool fixed = true; // no expression at all: one value everywhere
    const void* keptDataset = nullptr; // the line dataset the kept values belong to
    std::vector<std::optional<QString>> keptByRow;
    std::optional<QString> keptOutside; // printed outside the lines of a dataset
    std::optional<QString>& kept(const void* dataset, int row)
    {
        if (!dataset || fixed)
            return keptOutside;
        if (dataset != keptDataset) {
            keptDataset = dataset;
            keptByRow.clear();
        }
        const auto index = static_cast<size_t>(row);
        if (index >= keptByRow.size())
            keptByRow.resize(index + 1);
        return keptByRow[index];
    }
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
        Expression expression = Expression::parse(content.mid(open + 1, close - open - 1));
        compiled.fieldsOnly = compiled.fieldsOnly && expression.readsOnlyFields();
        compiled.fixed = false;
        compiled.segments.push_back({{}, std::move(expression)});
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
        for (size_t i = 0; i < design.bands.size(); ++i) {
            const Band& band = design.bands[i];
            switch (band.kind) {
            case BandKind::PageFooter:
                break;
            case BandKind::Line: {
                const Dataset rows = dataset(band.dataset);
                m_iterating = rows.identity();
                for (int row = 0; row < rows.rowCount(); ++row) {
                    m_row = row;
                    place(band);
                }
                m_iterating = nullptr;
                break;
            }
            default:
                place(band, keptWith(design, i));
            }
        }
        finishPage();
    }

    // The height of what must stay on a page with the band at `index`: the totals (the summary
    // and the amount in words) and the closing lines after them are one block; the other bands
    // stand alone.
    double keptWith(const DesignPage& design, size_t index)
    {
        if (design.bands[index].kind != BandKind::Totals)
            return 0;
        for (size_t next = index + 1; next < design.bands.size(); ++next) {
            if (design.bands[next].kind == BandKind::PageFooter)
                continue;
            return design.bands[next].kind == BandKind::Closing ? layoutBand(design.bands[next]).height : 0;
        }
        return 0;
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
            emitBand(layoutBand(*m_footer), m_footerTop);
        m_model.pages.push_back(std::move(m_page));
        pageEnded();
    }

    void pageEnded()
    {
        if (m_job.pageEnded)
            m_job.pageEnded();
    }

    // Places a band at the running position: on a new page when it does not fit above the page
    // footer, and continued on the following pages when it is taller than a whole page. `keep`:
    // the height of the band that must follow it on the same page; the two move to a new page
    // together when they fit on one but not here.
    void place(const Band& band, double keep = 0)
    {
        LaidBand laid = layoutBand(band);
        const double room = m_footerTop - m_pageTop;
        const bool fitsOnAPage = laid.height <= room;
        const bool keptTogether = keep > 0 && laid.height + keep <= room;
        const double needed = laid.height + (keptTogether ? keep : 0);
        if (m_bandsOnPage > 0 && m_cursor + needed > m_footerTop && fitsOnAPage) {
            finishPage();
            startPage();
            laid = layoutBand(band); // evaluated again on its own page ([PAGE#])
        }
        while (m_cursor + laid.height > m_footerTop + kEpsilon) {
            std::optional<LaidBand> rest = splitBand(laid, m_footerTop - m_cursor);
            if (!rest) {
                if (m_bandsOnPage == 0)
                    break; // a single line taller than the page: it runs over the footer
                finishPage(); // not even its first line fits here
                startPage();
                continue;
            }
            emitBand(std::move(laid), m_cursor);
            ++m_bandsOnPage;
            finishPage();
            startPage();
            laid = std::move(*rest);
        }
        const double height = laid.height;
        emitBand(std::move(laid), m_cursor);
        m_cursor += height;
        ++m_bandsOnPage;
    }

    // Moves a laid-out band's items onto the page, its top at `top`.
    void emitBand(LaidBand&& band, double top)
    {
        for (TextItem& item : band.texts) {
            item.box.translate(0, top);
            for (TextLine& line : item.lines)
                line.rect.translate(0, top);
            m_page.texts.push_back(std::move(item));
        }
        for (const LineItem& rule : band.rules)
            m_page.rules.push_back({rule.from + QPointF(0, top), rule.to + QPointF(0, top), rule.width});
        for (ImageItem& image : band.images) {
            image.box.translate(0, top);
            m_page.images.push_back(std::move(image));
        }
    }

    // A text object's value broken into lines, and the height its box needs for them: the design
    // height, plus one line height for every line beyond those the design height holds. One line
    // always counts as fitting, so a caption a little taller than its box moves nothing.
    struct ShapedText {
        QStringList lines;
        double lineHeight = 0;
        double height = 0;
    };

    ShapedText shape(const TextObject& object)
    {
        ShapedText shaped;
        shaped.height = object.box.height();
        QString value = evaluate(object);
        value.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        value.replace(u'\r', u'\n');
        if (value.isEmpty())
            return shaped;
        MeasuredFont& fm = m_measure.metrics(object.font);
        // A line may use the insets too before it wraps, as long captions are drawn to fit.
        if (!value.contains(u'\n'))
            shaped.lines = wrapParagraph(value, fm, object.box.width()); // the common case: one paragraph
        else
            for (const QString& paragraph : value.split(u'\n'))
                shaped.lines << wrapParagraph(paragraph, fm, object.box.width());
        // a closing line break ends the last line; blank lines after the text carry nothing
        while (shaped.lines.size() > 1 && shaped.lines.back().trimmed().isEmpty())
            shaped.lines.removeLast();
        shaped.lineHeight = fm.lineSpacing();
        const double available = object.box.height() - kInsetY;
        qsizetype capacity = 1;
        while ((capacity + 1) * shaped.lineHeight <= available + 0.5)
            ++capacity;
        if (shaped.lines.size() > capacity)
            shaped.height += static_cast<double>(shaped.lines.size() - capacity) * shaped.lineHeight;
        return shaped;
    }

    // How far a design y moves down: the most that any grown object above it pushes.
    struct Shifts {
        struct Shift {
            double from; // design y from which on objects move
            double by;
        };
        std::vector<Shift> list;
        double at(double y) const
        {
            double d = 0;
            for (const Shift& s : list)
                if (s.from <= y + kEpsilon)
                    d = std::max(d, s.by);
            return d;
        }
    };

    // A text object's item at its final top and height: its lines from the top inset (or
    // centred), each as wide as the box less its insets.
    static TextItem placeText(const TextObject& object, const ShapedText& text, double top, double height)
    {
        TextItem item;
        item.box = QRectF(object.box.left(), top, object.box.width(), height);
        item.font = object.font;
        item.align = object.align;
        item.frame = object.frame;
        item.borderWidth = object.borderWidth;
        double y = item.box.top() + kInsetY;
        if (object.valign == VAlign::Middle)
            y = item.box.top() + (item.box.height() - static_cast<double>(text.lines.size()) * text.lineHeight) / 2;
        const double width = item.box.width() - 2 * kInsetX;
        item.lines.reserve(static_cast<size_t>(text.lines.size()));
        for (const QString& line : text.lines) {
            item.lines.push_back({QRectF(item.box.left() + kInsetX, y, width, text.lineHeight), line});
            y += text.lineHeight;
        }
        return item;
    }

    // The band's rules, QR codes and pictures, moved down as the texts above them grew.
    void placeGraphics(const Band& band, const Shifts& shifts, LaidBand& laid)
    {
        for (const RuleObject& rule : band.rules) {
            const double y = rule.from.y();
            const QPointF from(rule.from.x(), y + shifts.at(y));
            const QPointF to = rule.vertical
                                   ? QPointF(rule.from.x(), y + rule.length + shifts.at(y + rule.length))
                                   : from + QPointF(rule.length, 0);
            laid.rules.push_back({from, to, rule.width});
        }
        for (const TextObject& code : band.codes) {
            const QString value = evaluate(code);
            if (value.isEmpty())
                continue;
            const QRectF box = code.box.translated(0, shifts.at(code.box.top()));
            laid.images.push_back({box, qrCodeImage(value.toUtf8()), value});
            laid.height = std::max(laid.height, box.bottom());
        }
        for (const TextObject& object : band.pictures) {
            const QString name = evaluate(object).trimmed();
            const QImage& image = picture(name);
            if (image.isNull())
                continue;
            // As large as the box allows, in its own proportions, centred in the box.
            const QRectF box = object.box.translated(0, shifts.at(object.box.top()));
            const QSizeF size = QSizeF(image.size()).scaled(box.size(), Qt::KeepAspectRatio);
            const QRectF drawn(box.center() - QPointF(size.width(), size.height()) / 2, size);
            laid.images.push_back({drawn, image, name, true});
            laid.height = std::max(laid.height, box.bottom());
        }
    }

    // Lays one band out at its own origin. A text object whose lines need more room than its
    // box grows downwards; everything that starts at or below its bottom edge moves down by as
    // much (growth below grown objects adds up), frames and vertical rules that reach past a
    // grown object stretch with it, and the band grows to hold the lot. Nothing is cut.
    LaidBand layoutBand(const Band& band)
    {
        const size_t count = band.texts.size();
        std::vector<ShapedText> shaped;
        shaped.reserve(count);
        for (const TextObject& object : band.texts)
            shaped.push_back(shape(object));

        Shifts shifts;
        std::vector<size_t> order(count);
        for (size_t i = 0; i < count; ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(), [&band](size_t a, size_t b) {
            return band.texts[a].box.top() < band.texts[b].box.top();
        });
        std::vector<double> tops(count), heights(count);
        for (const size_t i : order) {
            const QRectF& box = band.texts[i].box;
            tops[i] = box.top() + shifts.at(box.top());
            heights[i] = shaped[i].height;
            if (shaped[i].height > box.height() + kEpsilon)
                shifts.list.push_back({box.bottom(), tops[i] + heights[i] - box.bottom()});
        }

        LaidBand laid;
        laid.height = band.height + shifts.at(band.height);
        for (size_t i = 0; i < count; ++i) {
            const TextObject& object = band.texts[i];
            if (object.frame.any()) // a frame keeps enclosing what grew inside it
                heights[i] = std::max(heights[i], object.box.bottom() + shifts.at(object.box.bottom()) - tops[i]);
            if (shaped[i].height > object.box.height() + kEpsilon)
                laid.height = std::max(laid.height, tops[i] + heights[i]);
            TextItem item = placeText(object, shaped[i], tops[i], heights[i]);
            if (!item.lines.empty() || item.frame.any())
                laid.texts.push_back(std::move(item));
        }
        placeGraphics(band, shifts, laid);
        return laid;
    }

    // Cuts a laid-out band so that its first part is at most `room` high; the band keeps the
    // first part and the rest is returned, moved to its own origin. The cut never goes through a
    // line of text: it moves up to the top of the line it would cross. Nothing when no cut
    // above the band's top exists.
    static std::optional<LaidBand> splitBand(LaidBand& band, double room)
    {
        double cut = room;
        for (bool moved = true; moved;) {
            moved = false;
            for (const TextItem& text : band.texts)
                for (const TextLine& line : text.lines)
                    if (line.rect.top() < cut - kEpsilon && line.rect.bottom() > cut + kEpsilon) {
                        cut = line.rect.top();
                        moved = true;
                    }
            for (const ImageItem& image : band.images) // a code is never cut either
                if (image.box.top() < cut - kEpsilon && image.box.bottom() > cut + kEpsilon) {
                    cut = image.box.top();
                    moved = true;
                }
        }
        if (cut <= kEpsilon)
            return std::nullopt;

        LaidBand first, rest;
        first.height = cut;
        rest.height = band.height - cut;
        auto lower = [cut](TextItem item) {
            item.box.translate(0, -cut);
            for (TextLine& line : item.lines)
                line.rect.translate(0, -cut);
            return item;
        };
        for (const TextItem& text : band.texts) {
            if (text.box.bottom() <= cut + kEpsilon) {
                first.texts.push_back(text);
                continue;
            }
            if (text.box.top() >= cut - kEpsilon) {
                rest.texts.push_back(lower(text));
                continue;
            }
            // an object across the cut: its lines go to their side, its frame is opened at the cut
            TextItem above = text, below = text;
            above.lines.clear();
            below.lines.clear();
            for (const TextLine& line : text.lines)
                (line.rect.bottom() <= cut + kEpsilon ? above : below).lines.push_back(line);
            above.box.setBottom(cut);
            above.frame.bottom = false;
            below.box.setTop(cut);
            below.frame.top = false;
            if (!above.lines.empty() || above.frame.any())
                first.texts.push_back(std::move(above));
            if (!below.lines.empty() || below.frame.any())
                rest.texts.push_back(lower(std::move(below)));
        }
        for (const LineItem& rule : band.rules) {
            const double top = std::min(rule.from.y(), rule.to.y());
            const double bottom = std::max(rule.from.y(), rule.to.y());
            if (bottom <= cut + kEpsilon) {
                first.rules.push_back(rule);
            } else if (top >= cut - kEpsilon) {
                rest.rules.push_back({rule.from - QPointF(0, cut), rule.to - QPointF(0, cut), rule.width});
            } else { // a vertical rule across the cut continues on the next page
                first.rules.push_back({QPointF(rule.from.x(), top), QPointF(rule.from.x(), cut), rule.width});
                rest.rules.push_back({QPointF(rule.from.x(), 0), QPointF(rule.from.x(), bottom - cut), rule.width});
            }
        }
        for (ImageItem image : band.images) {
            if (image.box.bottom() <= cut + kEpsilon) {
                first.images.push_back(std::move(image));
            } else {
                image.box.translate(0, -cut);
                rest.images.push_back(std::move(image));
            }
        }
        band = std::move(first);
        return rest;
    }

    QString evaluate(const TextObject& object)
    {
        auto it = m_compiledFor.find(&object);
        if (it == m_compiledFor.end()) {
            const std::pair<QString, int> key{object.content, object.numberDecimals.value_or(-1)};
            auto shared = m_compiled.find(key);
            if (shared == m_compiled.end())
                shared = m_compiled.emplace(key, compile(object.content)).first;
            it = m_compiledFor.emplace(&object, &shared->second).first;
        }
        CompiledText& compiled = *it->second;
        if (!compiled.fieldsOnly)
            return compute(object, compiled);
        std::optional<QString>& kept = compiled.kept(m_iterating, m_row);
        if (!kept)
            kept = compute(object, compiled);
        return *kept;
    }

    QString compute(const TextObject& object, const CompiledText& compiled)
    {
        QString out;
        for (const CompiledText::Segment& segment : compiled.segments) {
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

    // A dataset the template names: one of the job's queries or its computed rows.
    class Dataset {
    public:
        explicit Dataset(const Query* query) : m_query(query) {}
        explicit Dataset(const ReportRows* rows) : m_rows(rows) {}
        const void* identity() const { return m_query ? static_cast<const void*>(m_query) : m_rows; }
        int rowCount() const { return m_query ? m_query->rowCount() : static_cast<int>(m_rows->rows.size()); }
        int currentRow() const { return m_query ? m_query->currentRow() : 0; }
        int columnIndex(const QString& name) const
        {
            if (m_query)
                return m_query->columnIndex(name);
            for (qsizetype i = 0; i < m_rows->columns.size(); ++i)
                if (m_rows->columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
                    return static_cast<int>(i);
            return -1;
        }
        QString text(int row, int column) const
        {
            return m_query ? m_query->text(row, column) : m_rows->rows.at(static_cast<size_t>(row)).value(column);
        }

    private:
        const Query* m_query = nullptr;
        const ReportRows* m_rows = nullptr;
    };

    Dataset dataset(const QString& name) const
    {
        for (const auto& [setName, query] : m_job.datasets)
            if (setName.compare(name, Qt::CaseInsensitive) == 0 && query)
                return Dataset(query);
        for (const auto& [setName, rows] : m_job.rowSets)
            if (setName.compare(name, Qt::CaseInsensitive) == 0)
                return Dataset(&rows);
        throw Error(QStringLiteral("A sablon ismeretlen adathalmazra hivatkozik: %1").arg(name));
    }

    // The picture of that name: one the job hands in, else an image file. A null image when
    // there is none or it cannot be read (the report is printed without it). Read once a run.
    const QImage& picture(const QString& name)
    {
        auto it = m_pictures.find(name);
        if (it != m_pictures.end())
            return it->second;
        QImage image;
        if (!name.isEmpty()) {
            const auto given = std::find_if(m_job.pictures.begin(), m_job.pictures.end(), [&name](const auto& p) {
                return p.first.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (given != m_job.pictures.end()) {
                image = QImage::fromData(given->second);
            } else if (QFileInfo(name).isFile()) {
                QImageReader reader(name);
                image = reader.read();
            }
            if (image.isNull())
                qCWarning(lcPrint).noquote()
                    << QStringLiteral("picture \"%1\" cannot be read; printed without it").arg(name);
        }
        return m_pictures.emplace(name, std::move(image)).first->second;
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
        const Dataset rows = dataset(set);
        const int column = rows.columnIndex(name);
        if (column < 0)
            throw Error(QStringLiteral("A(z) %1 adathalmaznak nincs \"%2\" mezője.").arg(set, name));
        const int row = rows.identity() == m_iterating ? m_row : rows.currentRow();
        if (row < 0 || row >= rows.rowCount())
            return {};
        return rows.text(row, column);
    }

    const ReportTemplate& m_design;
    const ReportJob& m_job;
    const ReportVariables& m_variables;
    Measure m_measure;
    std::map<std::pair<QString, int>, CompiledText> m_compiled; // by content and decimals
    std::map<const TextObject*, CompiledText*> m_compiledFor;
    PageModel m_model;
    Page m_page;
    const Band* m_footer = nullptr;
    double m_pageTop = 0;
    double m_footerTop = 0;
    double m_cursor = 0;
    int m_bandsOnPage = 0;
    const void* m_iterating = nullptr;
    std::map<QString, QImage> m_pictures;
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
