#pragma once
// The help window: contents and index on the left, the page on the right. It belongs to the
// window it was opened from and stays usable beside it.
#include "tools/helpfile.h"

#include <QDialog>

class QLineEdit;
class QListWidget;
class QPushButton;
class QTextBrowser;

namespace orvena {

class HelpViewer : public QDialog {
    Q_OBJECT
public:
    explicit HelpViewer(QWidget* parent = nullptr);

    // The help window of this window (made on first use), showing the page of the help context
    // number; 0 shows the contents.
    static HelpViewer* showHelp(QWidget* owner, int context);

    void showPage(const QString& id);
    QString currentPage() const { return m_current; }
    const HelpFile& help() const { return m_help; }

private:
    QWidget* buildSide(QWidget* parent);
    void fillLists();
    void openLink(const QUrl& url);
    void filterIndex(const QString& text);
    void back();

    HelpFile m_help;
    QString m_current;
    QStringList m_history;
    QTextBrowser* m_browser;
    QListWidget* m_contents;
    QLineEdit* m_filter;
    QListWidget* m_index;
    QPushButton* m_back;
};

} // namespace orvena
