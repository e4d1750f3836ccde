#include "ui/prompts.h"

#include <QRegularExpression>
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
        const QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        QString description = parts[i].simplified();
        // A description that already names its patterns in brackets ("Music files (*.mp3;*.wav)") would show
        // them twice; the dialog adds the real ones itself.
        static const QRegularExpression namedPatterns(QStringLiteral("\\s*\\([^()]*[*?][^()]*\\)$"));
        description.remove(namedPatterns);
        QStringList cleaned;
        for (const QString& p : patterns)
            cleaned << p.trimmed();
        out << description + QStringLiteral(" (") + cleaned.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return out.join(QStringLiteral(";;"));
}

} // namespace platform
