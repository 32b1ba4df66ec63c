#include "CommandFraming.h"

namespace hzm {

QList<QByteArray> CommandSplitter::feed(const QByteArray &bytes) {
    m_pending += bytes;
    QList<QByteArray> bodies;
    for (;;) {
        const qsizetype start = m_pending.indexOf('<');
        if (start < 0) {
            m_pending.clear();
            break;
        }
        const qsizetype end = m_pending.indexOf("/>", start + 1);
        if (end < 0) {
            m_pending.remove(0, start);
            if (m_maxPending > 0 && m_pending.size() > m_maxPending)
                m_pending.clear();
            break;
        }
        bodies << m_pending.mid(start + 1, end - start - 1);
        m_pending.remove(0, end + 2);
    }
    return bodies;
}

} // namespace hzm
