// What the input module writes to the log when it starts on the platform's
// keyboard with no pad attached: UTF-8 text with LF line ends, as the boot's
// golden logs are written.
#pragma once

#include <string>

namespace inputlog {

inline std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

inline std::string Headline(const std::string& text) {
    return "<TABLE width=\"100%\" bgcolor=\"#000000\">\n  <TBODY>\n    <TR>\n      <TD align=\"center\">\n"
           "        <B>\n          <FONT color=\"WHITE\">" +
           text + "</FONT>\n        </B>\n      </TD>\n    </TR>\n  </TBODY>\n</TABLE>\n";
}

// keys: the keyboard's key count as the platform reports it.
inline std::string StartLog(int keys = 138) {
    return Headline(Utf8(u8"KestraInputクラスの初期化")) + Utf8(u8"　■ DirectInputオブジェクトを生成<BR>\n") +
           Utf8(u8"<B>キーボードの初期化</B><BR>\n") + Utf8(u8"　■ キーボードを検出 [ キー数 ") +
           std::to_string(keys) + " ]<BR>\n" + Utf8(u8"<B>ジョイスティックの初期化</B><BR>\n") +
           Utf8(u8"　■ ジョイスティック 0 個<BR>\n");
}

}  // namespace inputlog
