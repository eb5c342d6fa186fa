#pragma once
// The print routines' side of the report engine. A routine fills the run's report variables,
// names its datasets and hands a job to the presenter: prepare() loads the template and lays the
// report out, present() shows it in the preview, prints it or writes it to a file, and tells the
// job when the document has been produced (the moment a document may be marked printed). QtCore
// only: the engine lives behind this interface.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace orvena {

class Query;

// The engine's one store of named texts for the whole run. Names compare case-insensitively
// (v_afa_Ft and v_AFA_Ft are the same variable); a value stays until it is set again.
class ReportVariables {
public:
    void set(const QString& name, const QString& value) { m_values.insert(name.toCaseFolded(), value); }
    bool contains(const QString& name) const { return m_values.contains(name.toCaseFolded()); }
    QString value(const QString& name) const { return m_values.value(name.toCaseFolded()); }
    void clear() { m_values.clear(); }

private:
    QHash<QString, QString> m_values;
};

// The page counters m_lap1 ... m_lap4 the document layouts print in their page footers. A counter
// counts once per page, on the first question of that page; the page-end handler clears the marks.
class PageCounters {
public:
    // Every counter to -1, every mark clear.
    void reset();
    // The value of m_lap1 ... m_lap4 (counting it for this page); nothing for any other name.
    std::optional<QString> answer(const QString& name);
    void pageEnded();
    int value(int counter) const { return m_values.at(static_cast<size_t>(counter - 1)); }

private:
    std::array<int, 4> m_values{-1, -1, -1, -1};
    std::array<bool, 4> m_marks{};
};

inline void PageCounters::reset()
{
    m_values.fill(-1);
    m_marks.fill(false);
}

inline std::optional<QString> PageCounters::answer(const QString& name)
{
    static const QString prefix = QStringLiteral("m_lap");
    if (name.size() != prefix.size() + 1 || !name.startsWith(prefix, Qt::CaseInsensitive))
        return std::nullopt;
    const int n = name.back().digitValue();
    if (n < 1 || n > 4)
        return std::nullopt;
    const auto i = static_cast<size_t>(n - 1);
    if (!m_marks[i]) {
        ++m_values[i];
        m_marks[i] = true;
    }
    return QString::number(m_values[i]);
}

inline void PageCounters::pageEnded()
{
    m_marks.fill(false);
}

// Rows a print routine computed itself, read by a template like a dataset: named columns (found
// case-insensitively) and the texts of each row.
struct ReportRows {
    QStringList columns;
    std::vector<QStringList> rows;
};

// What a print routine hands to the engine.
struct ReportJob {
    // A template file name (relative to the working folder) or a compiled-in layout (":/...").
    QString templateFile;
    // Window title of the preview and title of a PDF.
    QString title;
    // Datasets the template names, by name; each one is read at its current row, except the
    // dataset a repeated band runs over.
    std::vector<std::pair<QString, const Query*>> datasets;
    // Computed rows the template names like datasets; outside their line band they read as their
    // first row.
    std::vector<std::pair<QString, ReportRows>> rowSets;
    // Pictures the template's <image> objects name, by name: encoded image files (PNG, JPEG).
    std::vector<std::pair<QString, QByteArray>> pictures;
    // Asked first for every name an expression uses; nothing means "not mine".
    std::function<std::optional<QString>(const QString&)> valueCallback;
    // Called after each laid-out page.
    std::function<void()> pageEnded;
    // Called once, right after the report has first been produced: written to its file or
    // handed to a printer. Never called when the output fails or the operator only looks at it.
    std::function<void()> produced;
    // Only the template's first design page: the original copy without the further copies.
    bool originalOnly = false;
};

// A laid-out report, ready to be shown, printed or saved.
class PreparedReport {
public:
    virtual ~PreparedReport() = default;
    virtual int pageCount() const = 0;
};

class ReportPresenter {
public:
    virtual ~ReportPresenter() = default;

    ReportVariables& variables() { return m_variables; }
    PageCounters& pageCounters() { return m_counters; }

    // Loads the job's template and lays the report out with the current variables. Throws
    // FileError for a missing or unreadable template and Error for a faulty template.
    virtual std::unique_ptr<PreparedReport> prepare(const ReportJob& job) = 0;
    // Shows the prepared report (preview with printing, or a file); returns when that is over.
    // Calls the job's `produced` once the document exists on paper or in a file. Throws Error
    // when the output cannot be produced.
    virtual void present(PreparedReport& report, const QString& title) = 0;
    // The job laid out and written as a PDF in memory, without presenting it (the document kept
    // as issued, the file an e-mail carries). Nothing where the presenter makes no PDF.
    virtual std::optional<QByteArray> renderPdf(const ReportJob&) { return std::nullopt; }

private:
    ReportVariables m_variables;
    PageCounters m_counters;
};

} // namespace orvena
