#include "CompareDialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace hzm {

void setUpListTable(QTableView *table) {
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setAlternatingRowColors(true);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->horizontalHeader()->setStretchLastSection(true);
}

namespace {

// The field column sorts in the order the settings are listed (zones, groups, inputs, system),
// the others by their text.
constexpr int kSortRole = Qt::UserRole + 1;

QStandardItem *cell(const QString &text, const QVariant &sortKey) {
    auto *item = new QStandardItem(text);
    item->setEditable(false);
    item->setData(sortKey, kSortRole);
    return item;
}

} // namespace

CompareDialog::CompareDialog(const QList<FieldDifference> &differences, const QString &mixerVersion,
                             QWidget *parent)
    : QDialog(parent) {
    setWindowTitle(tr("Compare with HZM1"));
    setObjectName(QStringLiteral("compareDialog"));

    m_model = new QStandardItemModel(0, 3, this);
    m_model->setHorizontalHeaderLabels({tr("Field"), tr("This file"), tr("Mixer")});
    m_model->setSortRole(kSortRole);
    int unreadable = 0;
    for (int row = 0; row < differences.size(); ++row) {
        const FieldDifference &d = differences[row];
        const QString mixer = d.readable ? d.mixerText : notReadableText();
        QStandardItem *mixerCell = cell(mixer, mixer);
        if (!d.readable) {
            ++unreadable;
            QFont font = mixerCell->font();
            font.setItalic(true);
            mixerCell->setFont(font);
        }
        m_model->appendRow(
            {cell(d.section + QLatin1Char(' ') + d.label, row), cell(d.fileText, d.fileText), mixerCell});
    }

    const int differing = int(differences.size()) - unreadable;
    QString text;
    if (differences.isEmpty())
        text = tr("No differences: the mixer holds the settings of this file.");
    else
        text = differing == 1 ? tr("1 field differs between this file and the mixer.")
                              : tr("%1 fields differ between this file and the mixer.").arg(differing);
    if (unreadable == 1)
        text +=
            QLatin1Char(' ') + tr("1 field cannot be read from a mixer of software V%1.").arg(mixerVersion);
    else if (unreadable > 1)
        text +=
            QLatin1Char(' ') +
            tr("%1 fields cannot be read from a mixer of software V%2.").arg(unreadable).arg(mixerVersion);
    m_summary = new QLabel(text, this);
    m_summary->setObjectName(QStringLiteral("compareSummary"));
    m_summary->setWordWrap(true);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("compareTable"));
    m_table->setModel(m_model);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(FieldColumn, Qt::AscendingOrder);
    setUpListTable(m_table);
    m_table->resizeColumnsToContents();
    m_table->setAccessibleName(tr("Differences"));

    // Ctrl+C copies the selected rows while the table or the dialog has the focus.
    auto *copyAction = new QAction(this);
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(copyAction, &QAction::triggered, this, &CompareDialog::copy);
    addAction(copyAction);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_copy = buttons->addButton(tr("&Copy"), QDialogButtonBox::ActionRole);
    m_copy->setObjectName(QStringLiteral("copyDifferences"));
    m_copy->setAutoDefault(false);
    m_copy->setEnabled(!differences.isEmpty());
    connect(m_copy, &QPushButton::clicked, this, &CompareDialog::copy);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_summary);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);

    const int wanted = m_table->horizontalHeader()->length() + m_table->frameWidth() * 2 + 40;
    resize(std::clamp(wanted, 480, 900), 420);
}

QString CompareDialog::summary() const {
    return m_summary->text();
}

QString CompareDialog::tableText() const {
    QList<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows << index.row();
    if (rows.isEmpty()) {
        for (int row = 0; row < m_model->rowCount(); ++row)
            rows << row;
    }
    std::sort(rows.begin(), rows.end());
    QString text;
    for (int column = 0; column < m_model->columnCount(); ++column)
        text += (column ? QStringLiteral("\t") : QString()) +
                m_model->headerData(column, Qt::Horizontal).toString();
    text += QLatin1Char('\n');
    for (int row : std::as_const(rows)) {
        for (int column = 0; column < m_model->columnCount(); ++column)
            text += (column ? QStringLiteral("\t") : QString()) + m_model->item(row, column)->text();
        text += QLatin1Char('\n');
    }
    return text;
}

void CompareDialog::copy() {
    QApplication::clipboard()->setText(tableText());
}

} // namespace hzm
