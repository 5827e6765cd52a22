#include "qt/FileDialogFilter.h"

#include <QRegularExpression>
#include <QStringList>

#include "qt/ShownText.h"

namespace vantrel {
namespace {

void AddPatterns(const QString& text, QStringList& patterns) {
    static const QRegularExpression separators(QStringLiteral("[;\\s]+"));
    for (const QString& p : text.split(separators, Qt::SkipEmptyParts))
        if (!patterns.contains(p)) patterns.append(p);
}

QString OneFilter(QString description, const QString& patternField) {
    QStringList patterns;
    // A description like "PHX (*.PHX)" names its patterns in its trailing parentheses.
    static const QRegularExpression named(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    if (const auto match = named.match(description); match.hasMatch()) {
        AddPatterns(match.captured(1), patterns);
        description.truncate(match.capturedStart());
    }
    AddPatterns(patternField, patterns);
    description = description.trimmed();
    if (patterns.isEmpty()) patterns.append(QStringLiteral("*"));
    if (description.isEmpty()) description = patterns.join(QLatin1Char(' '));
    return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

}  // namespace

QString ToQtFileFilter(const std::string& filter) {
    const QStringList fields = ShownText(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < fields.size(); i += 2) {
        const QString patterns = i + 1 < fields.size() ? fields[i + 1] : QString();
        if (fields[i].trimmed().isEmpty() && patterns.trimmed().isEmpty()) continue;
        filters.append(OneFilter(fields[i], patterns));
    }
    return filters.join(QStringLiteral(";;"));
}

}  // namespace vantrel
