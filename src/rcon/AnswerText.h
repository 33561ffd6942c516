#pragma once

#include <QString>
#include <QStringView>

// How the text of a server's answer is read, whatever edition or platform the server runs on.
namespace AnswerText {

// The answer with line feeds alone: CR LF and a lone CR become LF, and blanks and tabs at the
// end of every line go, so the padding "\n " that real servers add leaves an empty last line,
// which no reader takes for a line of its own. An answer that needs none of this comes back
// shared, not copied.
QString withPlainLineEnds(const QString &answer);

// An answer that starts with "Server received, But no response!!", the answer to a command that
// prints nothing, in any letter case; blanks, line ends and padding after it do not matter.
bool isNoOutputAnswer(QStringView answer);

} // namespace AnswerText
