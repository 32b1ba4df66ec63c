// Built into every program and test program made with MinGW (see CMakeLists.txt), never into a
// library, so that no program can miss it.
//
// Qt's regular expressions give each thread that matches with the JIT a thread_local JIT stack.
// MinGW runs that thread_local's destructor only after its emulated thread-local storage has
// been freed: a thread that matched a pattern crashes inside its own end, the crash is swallowed,
// and winpthreads' key lock stays held, so the program then hangs for ever in its exit. Transfers
// run on threads that end when they are done and match patterns (links, replies, versions).
// Without the JIT that thread_local is never touched; our patterns are short, and matching them
// interpreted costs nothing measurable. Qt decides about the JIT once per process, when it
// compiles the first pattern: this runs as the program is loaded, before main (the application
// object's start-up functions came too late in the GUI test programs).

#include <QByteArray>
#include <QtGlobal>

namespace {

void keepRegexJitOff() {
    if (!qEnvironmentVariableIsSet("QT_ENABLE_REGEXP_JIT"))
        qputenv("QT_ENABLE_REGEXP_JIT", "0");
}

} // namespace

Q_CONSTRUCTOR_FUNCTION(keepRegexJitOff)
