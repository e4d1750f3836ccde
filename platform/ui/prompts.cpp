#include "ui/prompts.h"

#include <QStringList>

#include "ui/qtprompts.h"

namespace platform {

namespace {
Prompts* g_current = nullptr;
}

Prompts& prompts() {
    if (g_current)
        return *g_current;
    static QtPrompts qt;
    return qt;
}

Prompts* setPrompts(Prompts* p) {
    Prompts* old = g_current;
    g_current = p;
    return old;
}

QString toQtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        QString description = parts[i];
        // A description that already names its patterns in brackets would confuse Qt's own parsing.
        description.replace(QLatin1Char('('), QLatin1Char('[')).replace(QLatin1Char(')'), QLatin1Char(']'));
        out << description + QStringLiteral(" (") + patterns + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace platform
