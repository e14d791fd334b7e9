// The Direct3D module's own lines in a run's log (adapter survey, capability log,
// creation, release), which depend on the adapter: golden logs compare the rest.
#pragma once

#include <string>

#include "tests/support/test_support.h"

namespace k3dlog {

// Removes what follows the headline `title` (UTF-8) up to the first `until`.
inline void CutAfterHeadline(std::string& log, const std::string& title, const std::string& until) {
    const size_t at = log.find(testsupport::Utf8ToCp932(title));
    if (at == std::string::npos) return;
    const std::string tableEnd = "</TABLE>\r\n";
    const size_t from = log.find(tableEnd, at);
    if (from == std::string::npos) return;
    const size_t start = from + tableEnd.size();
    const size_t end = log.find(until, start);
    if (end == std::string::npos) return;
    log.erase(start, end - start);
}

// The log without the device's lines after its three headlines.
inline std::string WithoutDeviceLines(std::string log) {
    CutAfterHeadline(log, reinterpret_cast<const char*>(u8"Kestra3Dクラスの初期化"),
                     "<B><FONT color=\"BLUE\">Library Version");
    CutAfterHeadline(log, reinterpret_cast<const char*>(u8"Kestra3Dクラスの起動"), "<TABLE");
    CutAfterHeadline(log, reinterpret_cast<const char*>(u8"Kestra3Dクラスの解放"), "</BODY>");
    return log;
}

}  // namespace k3dlog
