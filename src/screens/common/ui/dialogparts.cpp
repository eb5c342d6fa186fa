#include "dialogparts.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace orvena {

QPushButton* makeButton(const QString& text, const QString& hint, const QString& objectName, QWidget* parent)
{
    auto* b = new QPushButton(text, parent);
    b->setObjectName(objectName);
    b->setToolTip(hint);
    b->setAutoDefault(false);
    return b;
}

QWidget* blockPairPage(const QString& documentCaption, QWidget* documentBlock, const QString& masterCaption,
                       QWidget* masterBlock, QWidget* parent, QPushButton* chooser)
{
    auto* page = new QWidget(parent);
    auto* layout = new QGridLayout(page);
    int row = 0;
    if (chooser)
        layout->addWidget(chooser, row++, 0, Qt::AlignLeft);
    layout->addWidget(new QLabel(documentCaption, page), row, 0);
    layout->addWidget(new QLabel(masterCaption, page), row++, 1);
    layout->addWidget(documentBlock, row, 0);
    layout->addWidget(masterBlock, row, 1);
    return page;
}

} // namespace orvena
