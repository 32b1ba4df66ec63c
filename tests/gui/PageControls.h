#pragma once

// Finding and using the pages' controls the way the tests address them: by object name.

#include <QComboBox>
#include <QWidget>

namespace hzm::test {

// The control named name under parent; a missing one ends the test program.
template <typename W = QWidget> W *control(const QObject &parent, const QString &name) {
    auto *w = parent.findChild<W *>(name);
    if (!w)
        qFatal("no %s named %s", W::staticMetaObject.className(), qPrintable(name));
    return w;
}

// A user's choice of the entry that stands for value, the way the box reports it.
inline void choose(QComboBox *combo, int value) {
    const int index = combo->findData(value);
    combo->setCurrentIndex(index);
    emit combo->activated(index);
}

} // namespace hzm::test
