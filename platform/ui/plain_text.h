// Data and servers' texts on widgets that guess whether a text is markup.
//
// A tool tip (and a label left at its automatic format) takes any text that
// looks like HTML for HTML: a field value "<b>x</b> <img src=...>" would be
// drawn bold and an image load attempted. What comes from data or a server
// goes through here, so it always shows as written.
#pragma once

#include <QString>
#include <string>

namespace morvane {

// A tool tip that shows text as written: markup characters escaped, line
// breaks (CR LF or LF) and runs of blanks kept, long lines wrapped. Empty
// for an empty text, so no tip is shown.
QString PlainTextToolTip(const std::string& text);

// The text a tool tip holding tip shows, markup taken as Qt takes it.
QString ShownToolTipText(const QString& tip);

}  // namespace morvane
