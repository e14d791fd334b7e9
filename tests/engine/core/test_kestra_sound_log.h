// What the sound module writes to the log when it starts on the platform's
// software device with the player library present, and when it finishes with no
// sound left: UTF-8 text with LF line ends, as the boot's golden logs are written.
#pragma once

#include <string>

namespace soundlog {

inline std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

inline std::string Headline(const std::string& text) {
    return "<TABLE width=\"100%\" bgcolor=\"#000000\">\n  <TBODY>\n    <TR>\n      <TD align=\"center\">\n"
           "        <B>\n          <FONT color=\"WHITE\">" +
           text + "</FONT>\n        </B>\n      </TD>\n    </TR>\n  </TBODY>\n</TABLE>\n";
}

inline std::string StartLog() {
    return Headline(Utf8(u8"KestraSoundクラスの初期化")) + "<BR>\n" +
           Utf8(u8"<B>サウンド用メモリ確保</B><BR>\n"
                "　■ DirectSound8オブジェクトを生成<BR>\n"
                "　■ DirectSoundオブジェクトを取得<BR>\n"
                "　■ DirectSoundオブジェクトを初期化<BR>\n"
                "　■ 協調レベルを 優先レベル に設定<BR>\n"
                "　■ メモリのコンパクションを実行<BR>\n"
                "　■ プライマリサウンドバッファを生成<BR>\n"
                "　■ DirectSoundデバイスの性能をチェック<BR>\n"
                "　　・１６ビット サンプリングのプライマリ バッファをサポートする<BR>\n"
                "　　・８ビット サンプリングのプライマリ バッファをサポートする<BR>\n"
                "　　・モノラルのプライマリ バッファをサポートする<BR>\n"
                "　　・ステレオのプライマリ バッファをサポートする<BR>\n"
                "　　　最小サンプリング レート [0.098KHz]<BR>\n"
                "　　　最大サンプリング レート [195.312KHz]<BR>\n"
                "　　　最大ハードウェアミキシング可能数 [0] <BR>\n"
                "　　　最大スタティックバッファ数 [0] <BR>\n"
                "　　　最大ストリーミングバッファ数 [0] <BR>\n"
                "　　　最大３Ｄバッファ数 [0] <BR>\n"
                "　　　最大３Ｄスタティックバッファ数 [0] <BR>\n"
                "　　　最大３Ｄストリーミングバッファ数 [0] <BR>\n"
                "　　　最大スタティックバッファメモリ容量 [0.000KB] <BR>\n"
                "　　　空きメモリ容量 [0.000KB] <BR>\n"
                "　　　ハードウェアスタティックバッファへのデータ転送速度 [0KB/s] <BR>\n"
                "　　　ソフトウェアミキシングの必要なプロセッサ時間 [0%] <BR>\n"
                "<BR>\n");
}

inline std::string FinishLog() { return Headline(Utf8(u8"KestraSoundクラスの解放")) + "<BR>\n<BR>\n"; }

}  // namespace soundlog
