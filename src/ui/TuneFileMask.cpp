#include "ui/TuneFileMask.h"

#include <QRegularExpression>
#include <QStringList>

namespace {

bool MatchesElement(const QString& fileName, const QString& element) {
  if (element == "*.") return !fileName.contains('.');
  const QRegularExpression pattern(QRegularExpression::wildcardToRegularExpression(element),
                                   QRegularExpression::CaseInsensitiveOption);
  return pattern.match(fileName).hasMatch();
}

}  // namespace

bool MatchesMask(const QString& fileName, const QString& mask) {
  if (fileName.isEmpty()) return false;
  for (const QString& element : mask.split(';', Qt::SkipEmptyParts))
    if (MatchesElement(fileName, element.trimmed())) return true;
  return false;
}
