#pragma once
// The loading window shown for about a second while the program starts.
#include <QDialog>

namespace orvena {

class LoadingWindow : public QDialog {
    Q_OBJECT
public:
    explicit LoadingWindow(const QString& version, QWidget* parent = nullptr);
};

} // namespace orvena
