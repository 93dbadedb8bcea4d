// SPDX-License-Identifier: GPL-3.0-or-later
#include "AboutDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "common/Version.h"

namespace corvalin::gui {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("ABout Corvalin"));
    setObjectName(QStringLiteral("aboutDialog"));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("iconLabel"));
    icon->setPixmap(QPixmap(QStringLiteral(":/corvalin.png")));
    auto* text = new QLabel(QStringLiteral("Corvalin, %1 \nLicensed under the GNU General Public "
                                           "License, version 3 or later.")
                                .arg(QString::fromLatin1(CORVALIN_VERSION)),
                            this);
    text->setMinimumWidth(180);
    text->setObjectName(QStringLiteral("versionLabel"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* row = new QHBoxLayout;
    row->addWidget(icon);
    row->addSpacing(12);
    row->addWidget(text, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace corvalin::gui
