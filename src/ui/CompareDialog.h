#pragma once

// "Compare with HZM1": the fields in which the record being edited and the mixer differ, in a
// table (field, this file, mixer) that sorts by any column and copies as tab-separated text.

#include "model/SettingsView.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;

namespace hzm {

// A table of rows to read, select and copy, not to edit: whole rows selected, several at once,
// alternating colours, no row numbers, the last column filling the width.
void setUpListTable(QTableView *table);

class CompareDialog : public QDialog {
    Q_OBJECT
public:
    enum Column { FieldColumn = 0, FileColumn = 1, MixerColumn = 2 };

    CompareDialog(const QList<FieldDifference> &differences, const QString &mixerVersion, QWidget *parent);

    // The line above the table ("3 fields differ ..." or "No differences ...").
    QString summary() const;
    QTableView *table() const { return m_table; }
    QPushButton *copyButton() const { return m_copy; }

    // The selected rows (all rows when none is selected) in the order shown, with a heading line,
    // columns separated by tabs, each line ended by "\n".
    QString tableText() const;

public slots:
    void copy();

private:
    QStandardItemModel *m_model;
    QTableView *m_table;
    QLabel *m_summary;
    QPushButton *m_copy;
};

} // namespace hzm
