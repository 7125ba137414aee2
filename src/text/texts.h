#pragma once
// Every Japanese text of the program, held as the exact code page 932 bytes that go on the wire and into the
// settings file. The UTF-8 spelling beside each entry is what the bytes mean; a test checks the two agree.
// Views convert these at the widget boundary (Cp932ToUtf8 in text_codec.h); the core never converts them.

#include <array>
#include <cstddef>
#include <string_view>

namespace pyrandel::texts {

// Colour names, indexed by colour (0 blue, 1 red, 2 yellow, 3 green) through ColourName().
inline constexpr std::string_view COLOUR_BLUE = "\x90\xC2";   // 青
inline constexpr std::string_view COLOUR_RED = "\x90\xD4";    // 赤
inline constexpr std::string_view COLOUR_YELLOW = "\x89\xA9"; // 黄
inline constexpr std::string_view COLOUR_GREEN = "\x97\xCE";  // 緑

// Status line.
inline constexpr std::string_view STATUS_NOT_CONNECTED = "\x96\xA2\x90\xDA\x91\xB1\x82\xC5\x82\xB7"; // 未接続です
inline constexpr std::string_view STATUS_WAITING =
    "\x8C\xBB\x8D\xDD\x81"
    "A\x91\xD2\x82\xC1\x82\xC4\x82\xA2\x82\xDC\x82\xB7"; // 現在、待っています
inline constexpr std::string_view STATUS_CONNECTING = "\x90\xDA\x91\xB1\x92\x86\x82\xC5\x82\xB7..."; // 接続中です...
inline constexpr std::string_view STATUS_CONNECTED = "\x90\xDA\x91\xB1\x82\xB5\x82\xDC\x82\xB5\x82\xBD"; // 接続しました
inline constexpr std::string_view STATUS_YOUR_TURN =
    "\x82\xA0\x82\xC8\x82\xBD\x82\xCC\x94\xD4\x82\xC5\x82\xB7"; // あなたの番です
inline constexpr std::string_view STATUS_WAITING_FOR_MATCH = "\x91\xCE\x90\xED\x91\xD2\x82\xBF\x81"
                                                             "E\x81"
                                                             "E\x81"
                                                             "E"; // 対戦待ち・・・
inline constexpr std::string_view STATUS_YOU_WIN =
    "\x82\xA0\x82\xC8\x82\xBD\x82\xCC\x8F\x9F\x82\xBF\x82\xC5\x82\xB7";                     // あなたの勝ちです
inline constexpr std::string_view STATUS_DECIDED = "\x8F\x9F\x95\x89\x82\xA0\x82\xE8\x81I"; // 勝負あり！

// Chat log lines written by the player's own program.
inline constexpr std::string_view CHAT_GAME_STARTED =
    "\x83Q\x81[\x83\x80\x82\xAA\x8AJ\x8En\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD"; // ゲームが開始されました
inline constexpr std::string_view CHAT_COLOUR_SUFFIX = " \x90"
                                                       "F\x82\xC5\x82\xB7"; //  色です
inline constexpr std::string_view CHAT_GAME_ENDED =
    "\x83Q\x81[\x83\x80\x82\xAA\x8FI\x82\xED\x82\xE8\x82\xDC\x82\xB5\x82\xBD"; // ゲームが終わりました
inline constexpr std::string_view CHAT_CONNECTION_CLOSED =
    "\x90\xDA\x91\xB1\x82\xF0\x95\xC2\x82\xB6\x82\xDC\x82\xB5\x82\xBD"; // 接続を閉じました
inline constexpr std::string_view CHAT_SERVER_CLOSED =
    "\x83T\x81[\x83o\x81[\x82\xF0\x95\xC2\x82\xB6\x82\xDC\x82\xB5\x82\xBD"; // サーバーを閉じました
inline constexpr std::string_view CHAT_CONNECT_FAILED =
    "\x90\xDA\x91\xB1\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD"; // 接続できませんでした
inline constexpr std::string_view CHAT_NAME_SEPARATOR = " : ";                          //  :

// Why a connection or hosting did not work, as the player's own program tells it (chat log lines). The reasons of a
// failed connection begin with the plain CHAT_CONNECT_FAILED; a port taken or not permitted goes between its prefix
// and suffix.
inline constexpr std::string_view CHAT_CONNECTION_LOST = "\x83T\x81[\x83o\x81["
                                                         "\x82\xC6\x82\xCC\x90\xDA\x91\xB1\x82\xAA\x90\xD8\x82\xEA\x82"
                                                         "\xDC\x82\xB5\x82\xBD"; // サーバーとの接続が切れました
inline constexpr std::string_view CHAT_CONNECT_FAILED_NO_NAME =
    "\x90\xDA\x91\xB1\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5"
    "\x82\xBD\x81i\x83T\x81[\x83o\x81["
    "\x96\xBC\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1"
    "\x81j"; // 接続できませんでした（サーバー名が見つかりません）
inline constexpr std::string_view CHAT_CONNECT_FAILED_REFUSED =
    "\x90\xDA\x91\xB1\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5"
    "\x82\xBD\x81i\x83T\x81[\x83o\x81["
    "\x82\xAA\x8AJ\x82\xA9\x82\xEA\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1"
    "\x81j"; // 接続できませんでした（サーバーが開かれていません）
inline constexpr std::string_view CHAT_CONNECT_FAILED_NO_ANSWER =
    "\x90\xDA\x91\xB1\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD"
    "\x81i\x83T\x81[\x83o\x81["
    "\x82\xA9\x82\xE7\x89\x9E\x93\x9A\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1"
    "\x81j"; // 接続できませんでした（サーバーから応答がありません）
inline constexpr std::string_view CHAT_PORT_PREFIX = "\x83|\x81[\x83g"; // ポート
inline constexpr std::string_view CHAT_PORT_IN_USE_SUFFIX =
    "\x82\xCD\x91\xBC\x82\xCC\x83v\x83\x8D\x83O\x83\x89\x83\x80\x82\xAA\x8Eg\x82\xC1\x82\xC4"
    "\x82\xA2\x82\xDC\x82\xB7"; // は他のプログラムが使っています
inline constexpr std::string_view CHAT_HOSTING_FAILED = "\x83T\x81[\x83o\x81["
                                                        "\x82\xC9\x82\xC8\x82\xEA\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82"
                                                        "\xB5\x82\xBD"; // サーバーになれませんでした
inline constexpr std::string_view CHAT_PORT_NOT_PERMITTED_SUFFIX =
    "\x82\xF0\x8AJ\x82\xAD\x8C\xA0\x8C\xC0\x82\xAA\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1"; // を開く権限がありません
inline constexpr std::string_view CHAT_HOSTING_FAILED_NO_ADDRESS =
    "\x83T\x81[\x83o\x81["
    "\x82\xC9\x82\xC8\x82\xEA\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81i"
    "\x82\xB1\x82\xCC\x83}\x83V\x83\x93\x82\xCC\x83"
    "A\x83h\x83\x8C\x83X\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1"
    "\x81j"; // サーバーになれませんでした（このマシンのアドレスではありません）

// Host announcements (MSG lines).
inline constexpr std::string_view MSG_SERVER_FULL =
    "\x90\\\x82\xB5\x96\xF3\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81"
    "B\x8C\xBB\x8D\xDD\x81"
    "A\x82\xB1\x82\xCC\x83T\x81[\x83o\x81[\x82\xCD\x96\x9E\x90\xC8\x82\xC5\x82\xB7"; // 申し訳ありません。現在、このサーバーは満席です
inline constexpr std::string_view MSG_MATCH_RUNNING =
    "\x8C\xBB\x8D\xDD\x81"
    "A\x91\xCE\x90\xED\x92\x86\x82\xC5\x82\xB7\x81"
    "B\x82\xE0\x82\xA4\x82\xB7\x82\xB1\x82\xB5\x81"
    "A\x82\xA8\x91\xD2\x82\xBF\x82\xAD\x82\xBE\x82\xB3\x82\xA2"; // 現在、対戦中です。もうすこし、お待ちください
inline constexpr std::string_view MSG_ARRIVED_SUFFIX =
    "\x82\xB3\x82\xF1\x82\xCC\x93o\x8F\xEA\x82\xC5\x82\xB7"; // さんの登場です
inline constexpr std::string_view MSG_GONE_SUFFIX =
    "\x82\xB3\x82\xF1\x82\xAA\x81"
    "A\x82\xA2\x82\xC8\x82\xAD\x82\xC8\x82\xE8\x82\xDC\x82\xB5\x82\xBD"; // さんが、いなくなりました
inline constexpr std::string_view MSG_COLOUR_INFIX = "\x82\xB3\x82\xF1\x82\xCD\x81"
                                                     "A"; // さんは、
inline constexpr std::string_view MSG_COLOUR_SUFFIX = "\x90"
                                                      "F\x82\xC5\x82\xB7"; // 色です
inline constexpr std::string_view MSG_WIN_INFIX = "\x82\xB3\x82\xF1(";     // さん(
inline constexpr std::string_view MSG_WIN_SUFFIX = "\x90"
                                                   "F)\x82\xCC\x8F\x9F\x97\x98\x82\xC5\x82\xB7"; // 色)の勝利です

// Default name and window captions.
inline constexpr std::string_view NAMELESS = "\x96\xBC\x96\xB3\x82\xB5";                        // 名無し
inline constexpr std::string_view CAPTION_LOBBY = "Pyrandel";                                   // Pyrandel
inline constexpr std::string_view CAPTION_BATTLE = "Pyrandel \x91\xCE\x90\xED\x89\xE6\x96\xCA"; // Pyrandel 対戦画面
inline constexpr std::string_view CAPTION_MESSAGE_BOX = "Pyrandel";                             // Pyrandel

// Lobby window labels.
inline constexpr std::string_view LABEL_QUIT = "\x8FI\x97\xB9";                                   // 終了
inline constexpr std::string_view LABEL_SAY = "\x94\xAD\x8C\xBE";                                 // 発言
inline constexpr std::string_view LABEL_CONNECT = "\x83T\x81[\x83o\x81[\x82\xD6\x90\xDA\x91\xB1"; // サーバーへ接続
inline constexpr std::string_view LABEL_SERVER_IP = "\x83T\x81[\x83o\x81[IP\x81"
                                                    "F"; // サーバーIP：
inline constexpr std::string_view LABEL_BECOME_SERVER =
    "\x83T\x81[\x83o\x81[\x82\xC9\x82\xC8\x82\xE9";                 // サーバーになる
inline constexpr std::string_view LABEL_MATCH = "\x91\xCE\x90\xED"; // 対戦
inline constexpr std::string_view LABEL_PARTICIPANTS_1 =
    "\x8C\xBB\x8D\xDD\x82\xCC\x8EQ\x89\xC1\x8E\xD2"; // 現在の参加者
inline constexpr std::string_view LABEL_PARTICIPANTS_2 =
    "\x92\xE8\x88\xF5\x82S\x96\xBC\x88\xC8\x93\xE0";                                     // 定員４名以内
inline constexpr std::string_view LABEL_YOUR_NAME = "\x82\xA8\x96\xBC\x91O";             // お名前
inline constexpr std::string_view LABEL_PRODUCT = "Pyrandel";                            // Pyrandel
inline constexpr std::string_view LABEL_VERSION = "Version 1.01a";                       // Version 1.01a
inline constexpr std::string_view LABEL_VERSION_INFO = "Version Info";                   // Version Info
inline constexpr std::string_view LABEL_WATCH = "\x8A\xCF\x90\xED";                      // 観戦
inline constexpr std::string_view LABEL_END_MATCH = "\x91\xCE\x90\xED\x8FI\x97\xB9";     // 対戦終了
inline constexpr std::string_view LABEL_LOBBY = "\x91\xCE\x90\xED\x83\x8D\x83r\x81[";    // 対戦ロビー
inline constexpr std::string_view LABEL_START_MATCH = "\x91\xCE\x90\xED\x8AJ\x8En\x81I"; // 対戦開始！
inline constexpr std::string_view LABEL_RULES_1 = "\x83\x8B\x81[\x83\x8B \x81"
                                                  "F"; // ルール ：
inline constexpr std::string_view LABEL_RULES_2 = "\x81@\x88\xEA\x90l\x82\xB8\x82\xC2\x8F\x87\x94\xD4\x82\xC9\x83{\x81["
                                                  "\x83\x8B\x82\xF0\x90\xCF\x82\xDD\x8F\xE3\x82\xB0\x82\xC4\x82\xA2\x82"
                                                  "\xAB\x82\xDC\x82\xB7"; // 　一人ずつ順番にボールを積み上げていきます
inline constexpr std::string_view LABEL_RULES_3 =
    "\x81@\x8E\xA9\x95\xAA\x82\xCC\x90"
    "F\x82\xCC\x83{\x81["
    "\x83\x8B\x82\xF0\x89\xA1\x82\xA9\x8E\xCE\x82\xDF\x82\xC9\x82T\x82\xC2\x88\xC8\x8F\xE3\x82\xBB\x82\xEB\x82\xA6\x82"
    "\xE9\x82\xC6\x8F\x9F\x82\xBF\x82\xC5\x82\xB7\x81"
    "B"; // 　自分の色のボールを横か斜めに５つ以上そろえると勝ちです。
inline constexpr std::string_view LABEL_START_HINT =
    "\x81"
    "F\x82\xB1\x82\xCC\x83{\x83^\x83\x93\x82\xC5\x90V\x82\xB5\x82\xA2\x83Q\x81["
    "\x83\x80\x82\xF0\x8AJ\x8En"; // ：このボタンで新しいゲームを開始
inline constexpr std::string_view LABEL_ADD_COMPUTER = "CPU\x8EQ\x89\xC1"; // CPU参加

// Battle window labels.
inline constexpr std::string_view LABEL_BATTLE_RULES =
    "\x83{\x81[\x83\x8B\x82\xF0\x90\xCF\x82\xF1\x82\xC5\x82\xA2\x82\xAB\x82\xDC\x82\xB7\x81"
    "B\x8E\xA9\x95\xAA\x82\xCC\x90"
    "F\x82\xCC\x83{\x81[\x83\x8B\x82\xAA 5\x82\xC2\x82\xC8\x82\xE7\x82\xF1\x82\xBE\x82\xE7\x81"
    "A\x8F\x9F\x97\x98"; // ボールを積んでいきます。自分の色のボールが 5つならんだら、勝利

// Desktop program only, never on the wire: the host's addresses, the battle window's title and menu, and the
// names and descriptions a screen reader gives the controls.
inline constexpr std::string_view CHAT_HOST_ADDRESSES =
    "\x82\xD9\x82\xA9\x82\xCC\x90l\x82\xCD\x82\xB1\x82\xCC\x83"
    "A\x83h\x83\x8C\x83X\x82\xC5\x8EQ\x89\xC1\x82\xC5\x82\xAB\x82\xDC\x82\xB7\x81"
    "F";                                                    // ほかの人はこのアドレスで参加できます：
inline constexpr std::string_view ADDRESS_SEPARATOR = ", "; // ,
inline constexpr std::string_view TITLE_SEPARATOR = " - ";  //  -
inline constexpr std::string_view MENU_SOUND = "\x89\xB9\x82\xC5\x92m\x82\xE7\x82\xB9\x82\xE9"; // 音で知らせる
inline constexpr std::string_view MENU_COLOUR_AID =
    "\x90"
    "F\x82\xF0\x8C`\x82\xC5\x82\xE0\x8C\xA9\x95\xAA\x82\xAF\x82\xE9"; // 色を形でも見分ける
inline constexpr std::string_view ACCESS_BOARD = "\x94\xD5\x96\xCA";  // 盤面
inline constexpr std::string_view ACCESS_OWN_COLOUR = "\x82\xA0\x82\xC8\x82\xBD\x82\xCC\x90"
                                                      "F\x81"
                                                      "F"; // あなたの色：
inline constexpr std::string_view ACCESS_MARKER_LANE = "\x83}\x81[\x83J\x81[\x82\xCC\x97\xF1\x81"
                                                       "F";                                  // マーカーの列：
inline constexpr std::string_view ACCESS_NO_MARKER = "\x83}\x81[\x83J\x81[\x82\xC8\x82\xB5"; // マーカーなし
inline constexpr std::string_view ACCESS_SENTENCE_END = "\x81"
                                                        "B"; // 。
inline constexpr std::string_view ACCESS_CHAT_LOG = "\x83`\x83\x83\x83"
                                                    "b\x83g\x83\x8D\x83O";                        // チャットログ
inline constexpr std::string_view ACCESS_CHAT_INPUT = "\x94\xAD\x8C\xBE\x82\xCC\x93\xFC\x97\xCD"; // 発言の入力
inline constexpr std::string_view ACCESS_LEVEL = "CPU\x82\xCC\x8B\xAD\x82\xB3";                   // CPUの強さ
inline constexpr std::string_view DESCRIBE_QUIT =
    "\x83v\x83\x8D\x83O\x83\x89\x83\x80\x82\xF0\x8FI\x97\xB9\x82\xB5\x82\xDC\x82\xB7"; // プログラムを終了します
inline constexpr std::string_view DESCRIBE_CHAT_LOG =
    "\x94\xAD\x8C\xBE\x82\xC6\x82\xA8\x92m\x82\xE7\x82\xB9\x82\xCC\x8BL\x98^"; // 発言とお知らせの記録
inline constexpr std::string_view DESCRIBE_CHAT_INPUT =
    "Enter\x83L\x81[\x82\xC5\x94\xAD\x8C\xBE\x82\xB5\x82\xDC\x82\xB7"; // Enterキーで発言します
inline constexpr std::string_view DESCRIBE_SAY = "\x93\xFC\x97\xCD\x82\xB5\x82\xBD\x94\xAD\x8C\xBE\x82\xF0\x91\x97\x82"
                                                 "\xE8\x82\xDC\x82\xB7"; // 入力した発言を送ります
inline constexpr std::string_view DESCRIBE_ADDRESS =
    "\x8EQ\x89\xC1\x82\xB7\x82\xE9\x83T\x81[\x83o\x81[\x82\xCC\x96\xBC\x91O\x82\xA9\x83"
    "A\x83h\x83\x8C\x83X"; // 参加するサーバーの名前かアドレス
inline constexpr std::string_view DESCRIBE_CONNECT =
    "\x83T\x81[\x83o\x81[\x82\xC9\x8EQ\x89\xC1\x82\xB5\x82\xDC\x82\xB7\x81"
    "B\x82\xE0\x82\xA4\x88\xEA\x93x\x89\x9F\x82\xB7\x82\xC6\x90\xD8\x92"
    "f\x82\xB5\x82\xDC\x82\xB7"; // サーバーに参加します。もう一度押すと切断します
inline constexpr std::string_view DESCRIBE_HOST =
    "\x82\xB1\x82\xCC\x83p\x83\x5C\x83R\x83\x93\x82\xF0\x83T\x81[\x83o\x81["
    "\x82\xC9\x82\xB5\x82\xC4\x8EQ\x89\xC1\x82\xB5\x82\xDC\x82\xB7\x81"
    "B\x82\xE0\x82\xA4\x88\xEA\x93x\x89\x9F\x82\xB7\x82\xC6\x83T\x81[\x83o\x81["
    "\x82\xF0\x95\xC2\x82\xB6\x82\xDC\x82\xB7"; // このパソコンをサーバーにして参加します。もう一度押すとサーバーを閉じます
inline constexpr std::string_view DESCRIBE_PARTICIPANTS =
    "\x8EQ\x89\xC1\x82\xB5\x82\xC4\x82\xA2\x82\xE9\x90l\x82\xCC\x96\xBC\x91O"; // 参加している人の名前
inline constexpr std::string_view DESCRIBE_NAME =
    "\x82\xD9\x82\xA9\x82\xCC\x90l\x82\xC9\x8C\xA9\x82\xA6\x82\xE9\x82\xA0\x82\xC8\x82\xBD\x82\xCC\x96"
    "\xBC\x91O"; // ほかの人に見えるあなたの名前
inline constexpr std::string_view DESCRIBE_START =
    "\x90V\x82\xB5\x82\xA2\x83Q\x81[\x83\x80\x82\xF0\x8AJ\x8En\x82\xB5\x82\xDC\x82\xB7"; // 新しいゲームを開始します
inline constexpr std::string_view DESCRIBE_ADD_COMPUTER =
    "\x83R\x83\x93\x83s\x83\x85\x81[\x83^\x81[\x82\xF0\x83Q\x81["
    "\x83\x80\x82\xC9\x8EQ\x89\xC1\x82\xB3\x82\xB9\x82\xDC\x82\xB7"; // コンピューターをゲームに参加させます
// 参加させるコンピューターの強さ：1 でたらめ／2 見落としだらけ／3 よく見落とす／4 ときどき見落とす／5 見落とさない
inline constexpr std::string_view DESCRIBE_LEVEL =
    "\x8EQ\x89\xC1\x82\xB3\x82\xB9\x82\xE9\x83R\x83\x93\x83s\x83\x85\x81[\x83^\x81[\x82\xCC\x8B\xAD\x82\xB3\x81"
    "F1 \x82\xC5\x82\xBD\x82\xE7\x82\xDF\x81^2 \x8C\xA9\x97\x8E\x82\xC6\x82\xB5\x82\xBE\x82\xE7\x82\xAF\x81^3 "
    "\x82\xE6\x82\xAD\x8C\xA9\x97\x8E\x82\xC6\x82\xB7\x81^4 "
    "\x82\xC6\x82\xAB\x82\xC7\x82\xAB\x8C\xA9\x97\x8E\x82\xC6\x82\xB7\x81^5 "
    "\x8C\xA9\x97\x8E\x82\xC6\x82\xB3\x82\xC8\x82\xA2";
inline constexpr std::string_view BATTLE_KEYS =
    "\x81\xA9\x81\xA8\x81"
    "F\x83}\x81[\x83J\x81[\x82\xF0\x93\xAE\x82\xA9\x82\xB7\x81@Space\x81"
    "E\x81\xAB\x81"
    "F\x83{\x81[\x83\x8B\x82\xF0\x92u\x82\xAD\x81@H\x81"
    "F\x83q\x83\x93\x83g\x81@Enter\x81"
    "EEsc\x81"
    "F\x91\xCE\x90\xED\x82\xF0\x82\xE2\x82\xDF\x82\xE9\x81@\x89"
    "E\x83N\x83\x8A\x83"
    "b\x83N\x81"
    "F\x90\xDD\x92\xE8"; // ←→：マーカーを動かす　Space・↓：ボールを置く　H：ヒント　Enter・Esc：対戦をやめる　右クリック：設定

// Browser seat only, never on the wire: the notices a seat gives its page when it refuses what the page asked
// for, the reasons it closes a page's socket with, and the box's button.
inline constexpr std::string_view NOTICE_NOT_CP932 =
    "\x83V\x83t\x83gJIS\x82\xC9\x82\xC8\x82\xA2\x95\xB6\x8E\x9A\x81i\x8AG\x95\xB6\x8E\x9A\x82\xC8\x82\xC7\x81j\x82\xCD"
    "\x91\x97\x82\xEA\x82\xDC\x82\xB9\x82\xF1"; // シフトJISにない文字（絵文字など）は送れません
inline constexpr std::string_view NOTICE_CONTROL_CHARACTER =
    "\x83^"
    "\x83u\x82\xE2\x89\xFC\x8Ds\x82\xC8\x82\xC7\x82\xCC\x90\xA7\x8C\xE4\x95\xB6\x8E\x9A\x82\xCD\x91\x97\x82\xEA\x82\xDC"
    "\x82\xB9\x82\xF1"; // タブや改行などの制御文字は送れません
inline constexpr std::string_view NOTICE_NOT_YOUR_TURN =
    "\x82\xA0\x82\xC8\x82\xBD\x82\xCC\x94\xD4\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9"
    "\x82\xF1"; // あなたの番ではありません
inline constexpr std::string_view NOTICE_LANE_FULL = "\x82\xBB\x82\xCC\x97\xF1\x82\xC9\x82\xCD\x82\xE0\x82\xA4\x92u\x82"
                                                     "\xAF\x82\xDC\x82\xB9\x82\xF1"; // その列にはもう置けません
inline constexpr std::string_view NOTICE_TOO_FAST =
    "\x91\x80\x8D\xEC\x82\xAA\x91\xAC\x82\xB7\x82\xAC\x82\xDC\x82\xB7\x81"
    "B\x8F\xAD\x82\xB5\x91\xD2\x82\xC1\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2"; // 操作が速すぎます。少し待ってください
inline constexpr std::string_view NOTICE_CHAT_TOO_FAST =
    "\x94\xAD\x8C\xBE\x82\xAA\x91\xAC\x82\xB7\x82\xAC\x82\xDC\x82\xB7\x81"
    "B\x8F\xAD\x82\xB5\x91\xD2\x82\xC1\x82\xC4\x82\xAD\x82\xBE\x82\xB3\x82\xA2"; // 発言が速すぎます。少し待ってください
inline constexpr std::string_view NOTICE_BAD_MESSAGE = "\x82\xED\x82\xA9\x82\xE7\x82\xC8\x82\xA2\x83\x81\x83"
                                                       "b\x83Z\x81["
                                                       "\x83W\x82\xF0\x8E\xF3\x82\xAF\x8E\xE6\x82\xE8\x82\xDC\x82\xB5"
                                                       "\x82\xBD"; // わからないメッセージを受け取りました
inline constexpr std::string_view NOTICE_NOT_CONNECTED = "\x83T\x81[\x83o\x81["
                                                         "\x82\xC9\x90\xDA\x91\xB1\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82"
                                                         "\xB9\x82\xF1"; // サーバーに接続していません
inline constexpr std::string_view NOTICE_ALREADY_SEATED =
    "\x82\xE0\x82\xA4\x90\xDA\x91\xB1\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7"; // もう接続しています
inline constexpr std::string_view NOTICE_NO_COMPUTER =
    "\x82\xA2\x82\xDC\x82\xCD"
    "CPU\x82\xF0\x8EQ\x89\xC1\x82\xB3\x82\xB9\x82\xE7\x82\xEA\x82\xDC\x82\xB9\x82\xF1"; // いまはCPUを参加させられません
inline constexpr std::string_view NOTICE_SEATS_FULL =
    "\x90\xC8\x82\xAA\x82\xA2\x82\xC1\x82\xCF\x82\xA2\x82\xC5\x82\xB7\x81"
    "B\x82\xB5\x82\xCE\x82\xE7\x82\xAD\x82\xB5\x82\xC4\x82\xA9\x82\xE7\x82\xE0\x82\xA4\x88\xEA\x93x\x82\xC7\x82\xA4\x82"
    "\xBC"; // 席がいっぱいです。しばらくしてからもう一度どうぞ
inline constexpr std::string_view NOTICE_TAKEN_OVER =
    "\x82\xB1\x82\xCC\x90\xC8\x82\xCD\x95\xCA\x82\xCC\x83^"
    "\x83u\x82\xC9\x88\xDA\x82\xE8\x82\xDC\x82\xB5\x82\xBD"; // この席は別のタブに移りました
inline constexpr std::string_view NOTICE_NO_MATCH =
    "\x91\xCE\x90\xED\x92\x86\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1"; // 対戦中ではありません
inline constexpr std::string_view CLOSE_TOO_MANY_FROM_ADDRESS =
    "\x82\xB1\x82\xCC\x83"
    "A\x83h\x83\x8C\x83X\x82\xA9\x82\xE7\x82\xCC\x90\xDA\x91\xB1\x82\xAA\x91\xBD\x82\xB7"
    "\x82\xAC\x82\xDC\x82\xB7"; // このアドレスからの接続が多すぎます
inline constexpr std::string_view CLOSE_TOO_MANY =
    "\x90\xDA\x91\xB1\x82\xAA\x91\xBD\x82\xB7\x82\xAC\x82\xDC\x82\xB7\x81"
    "B\x82\xB5\x82\xCE\x82\xE7\x82\xAD\x82\xB5\x82\xC4\x82\xA9\x82\xE7\x82\xE0\x82\xA4\x88\xEA\x93x\x82\xC7\x82\xA4\x82"
    "\xBC"; // 接続が多すぎます。しばらくしてからもう一度どうぞ
inline constexpr std::string_view CLOSE_TEXT_ONLY = "\x83"
                                                    "e\x83L\x83X\x83g\x82\xCC\x83\x81\x83"
                                                    "b\x83Z\x81["
                                                    "\x83W\x82\xBE\x82\xAF\x82\xF0\x8E\xF3\x82\xAF\x95t\x82\xAF\x82\xDC"
                                                    "\x82\xB7"; // テキストのメッセージだけを受け付けます
inline constexpr std::string_view CLOSE_TOO_BIG =
    "\x83\x81\x83"
    "b\x83Z\x81[\x83W\x82\xAA\x92\xB7\x82\xB7\x82\xAC\x82\xDC\x82\xB7"; // メッセージが長すぎます
inline constexpr std::string_view CLOSE_NO_ANSWER =
    "\x89\x9E\x93\x9A\x82\xAA\x82\xC8\x82\xA2\x82\xCC\x82\xC5\x90\xD8\x92"
    "f\x82\xB5\x82\xDC\x82\xB5\x82\xBD";           // 応答がないので切断しました
inline constexpr std::string_view LABEL_OK = "OK"; // OK

inline constexpr std::array COLOUR_NAMES = {COLOUR_BLUE, COLOUR_RED, COLOUR_YELLOW, COLOUR_GREEN};

// The name of a colour, or the empty text for anything but a colour, so no caller can index past the table.
[[nodiscard]] constexpr std::string_view ColourName(int colour)
{
    return colour >= 0 && static_cast<std::size_t>(colour) < COLOUR_NAMES.size()
               ? COLOUR_NAMES[static_cast<std::size_t>(colour)]
               : std::string_view{};
}

// Pairs every entry with its UTF-8 spelling, for the test that checks the bytes.
struct CatalogueEntry {
    std::string_view name;
    std::string_view cp932;
    std::u8string_view utf8;
};

inline constexpr std::array<CatalogueEntry, 107> CATALOGUE = {{
    {"COLOUR_BLUE", COLOUR_BLUE, u8"青"},
    {"COLOUR_RED", COLOUR_RED, u8"赤"},
    {"COLOUR_YELLOW", COLOUR_YELLOW, u8"黄"},
    {"COLOUR_GREEN", COLOUR_GREEN, u8"緑"},
    {"STATUS_NOT_CONNECTED", STATUS_NOT_CONNECTED, u8"未接続です"},
    {"STATUS_WAITING", STATUS_WAITING, u8"現在、待っています"},
    {"STATUS_CONNECTING", STATUS_CONNECTING, u8"接続中です..."},
    {"STATUS_CONNECTED", STATUS_CONNECTED, u8"接続しました"},
    {"STATUS_YOUR_TURN", STATUS_YOUR_TURN, u8"あなたの番です"},
    {"STATUS_WAITING_FOR_MATCH", STATUS_WAITING_FOR_MATCH, u8"対戦待ち・・・"},
    {"STATUS_YOU_WIN", STATUS_YOU_WIN, u8"あなたの勝ちです"},
    {"STATUS_DECIDED", STATUS_DECIDED, u8"勝負あり！"},
    {"CHAT_GAME_STARTED", CHAT_GAME_STARTED, u8"ゲームが開始されました"},
    {"CHAT_COLOUR_SUFFIX", CHAT_COLOUR_SUFFIX, u8" 色です"},
    {"CHAT_GAME_ENDED", CHAT_GAME_ENDED, u8"ゲームが終わりました"},
    {"CHAT_CONNECTION_CLOSED", CHAT_CONNECTION_CLOSED, u8"接続を閉じました"},
    {"CHAT_SERVER_CLOSED", CHAT_SERVER_CLOSED, u8"サーバーを閉じました"},
    {"CHAT_CONNECT_FAILED", CHAT_CONNECT_FAILED, u8"接続できませんでした"},
    {"CHAT_NAME_SEPARATOR", CHAT_NAME_SEPARATOR, u8" : "},
    {"MSG_SERVER_FULL", MSG_SERVER_FULL, u8"申し訳ありません。現在、このサーバーは満席です"},
    {"MSG_MATCH_RUNNING", MSG_MATCH_RUNNING, u8"現在、対戦中です。もうすこし、お待ちください"},
    {"MSG_ARRIVED_SUFFIX", MSG_ARRIVED_SUFFIX, u8"さんの登場です"},
    {"MSG_GONE_SUFFIX", MSG_GONE_SUFFIX, u8"さんが、いなくなりました"},
    {"MSG_COLOUR_INFIX", MSG_COLOUR_INFIX, u8"さんは、"},
    {"MSG_COLOUR_SUFFIX", MSG_COLOUR_SUFFIX, u8"色です"},
    {"MSG_WIN_INFIX", MSG_WIN_INFIX, u8"さん("},
    {"MSG_WIN_SUFFIX", MSG_WIN_SUFFIX, u8"色)の勝利です"},
    {"NAMELESS", NAMELESS, u8"名無し"},
    {"CAPTION_LOBBY", CAPTION_LOBBY, u8"Pyrandel"},
    {"CAPTION_BATTLE", CAPTION_BATTLE, u8"Pyrandel 対戦画面"},
    {"CAPTION_MESSAGE_BOX", CAPTION_MESSAGE_BOX, u8"Pyrandel"},
    {"LABEL_QUIT", LABEL_QUIT, u8"終了"},
    {"LABEL_SAY", LABEL_SAY, u8"発言"},
    {"LABEL_CONNECT", LABEL_CONNECT, u8"サーバーへ接続"},
    {"LABEL_SERVER_IP", LABEL_SERVER_IP, u8"サーバーIP："},
    {"LABEL_BECOME_SERVER", LABEL_BECOME_SERVER, u8"サーバーになる"},
    {"LABEL_MATCH", LABEL_MATCH, u8"対戦"},
    {"LABEL_PARTICIPANTS_1", LABEL_PARTICIPANTS_1, u8"現在の参加者"},
    {"LABEL_PARTICIPANTS_2", LABEL_PARTICIPANTS_2, u8"定員４名以内"},
    {"LABEL_YOUR_NAME", LABEL_YOUR_NAME, u8"お名前"},
    {"LABEL_PRODUCT", LABEL_PRODUCT, u8"Pyrandel"},
    {"LABEL_VERSION", LABEL_VERSION, u8"Version 1.01a"},
    {"LABEL_VERSION_INFO", LABEL_VERSION_INFO, u8"Version Info"},
    {"LABEL_WATCH", LABEL_WATCH, u8"観戦"},
    {"LABEL_END_MATCH", LABEL_END_MATCH, u8"対戦終了"},
    {"LABEL_LOBBY", LABEL_LOBBY, u8"対戦ロビー"},
    {"LABEL_START_MATCH", LABEL_START_MATCH, u8"対戦開始！"},
    {"LABEL_RULES_1", LABEL_RULES_1, u8"ルール ："},
    {"LABEL_RULES_2", LABEL_RULES_2, u8"　一人ずつ順番にボールを積み上げていきます"},
    {"LABEL_RULES_3", LABEL_RULES_3, u8"　自分の色のボールを横か斜めに５つ以上そろえると勝ちです。"},
    {"LABEL_START_HINT", LABEL_START_HINT, u8"：このボタンで新しいゲームを開始"},
    {"LABEL_ADD_COMPUTER", LABEL_ADD_COMPUTER, u8"CPU参加"},
    {"CHAT_CONNECTION_LOST", CHAT_CONNECTION_LOST, u8"サーバーとの接続が切れました"},
    {"CHAT_CONNECT_FAILED_NO_NAME", CHAT_CONNECT_FAILED_NO_NAME,
     u8"接続できませんでした（サーバー名が見つかりません）"},
    {"CHAT_CONNECT_FAILED_REFUSED", CHAT_CONNECT_FAILED_REFUSED,
     u8"接続できませんでした（サーバーが開かれていません）"},
    {"CHAT_CONNECT_FAILED_NO_ANSWER", CHAT_CONNECT_FAILED_NO_ANSWER,
     u8"接続できませんでした（サーバーから応答がありません）"},
    {"CHAT_PORT_PREFIX", CHAT_PORT_PREFIX, u8"ポート"},
    {"CHAT_PORT_IN_USE_SUFFIX", CHAT_PORT_IN_USE_SUFFIX, u8"は他のプログラムが使っています"},
    {"CHAT_HOSTING_FAILED", CHAT_HOSTING_FAILED, u8"サーバーになれませんでした"},
    {"CHAT_PORT_NOT_PERMITTED_SUFFIX", CHAT_PORT_NOT_PERMITTED_SUFFIX, u8"を開く権限がありません"},
    {"CHAT_HOSTING_FAILED_NO_ADDRESS", CHAT_HOSTING_FAILED_NO_ADDRESS,
     u8"サーバーになれませんでした（このマシンのアドレスではありません）"},
    {"LABEL_BATTLE_RULES", LABEL_BATTLE_RULES, u8"ボールを積んでいきます。自分の色のボールが 5つならんだら、勝利"},
    {"CHAT_HOST_ADDRESSES", CHAT_HOST_ADDRESSES, u8"ほかの人はこのアドレスで参加できます："},
    {"ADDRESS_SEPARATOR", ADDRESS_SEPARATOR, u8", "},
    {"TITLE_SEPARATOR", TITLE_SEPARATOR, u8" - "},
    {"MENU_SOUND", MENU_SOUND, u8"音で知らせる"},
    {"MENU_COLOUR_AID", MENU_COLOUR_AID, u8"色を形でも見分ける"},
    {"ACCESS_BOARD", ACCESS_BOARD, u8"盤面"},
    {"ACCESS_OWN_COLOUR", ACCESS_OWN_COLOUR, u8"あなたの色："},
    {"ACCESS_MARKER_LANE", ACCESS_MARKER_LANE, u8"マーカーの列："},
    {"ACCESS_NO_MARKER", ACCESS_NO_MARKER, u8"マーカーなし"},
    {"ACCESS_SENTENCE_END", ACCESS_SENTENCE_END, u8"。"},
    {"ACCESS_CHAT_LOG", ACCESS_CHAT_LOG, u8"チャットログ"},
    {"ACCESS_CHAT_INPUT", ACCESS_CHAT_INPUT, u8"発言の入力"},
    {"ACCESS_LEVEL", ACCESS_LEVEL, u8"CPUの強さ"},
    {"DESCRIBE_QUIT", DESCRIBE_QUIT, u8"プログラムを終了します"},
    {"DESCRIBE_CHAT_LOG", DESCRIBE_CHAT_LOG, u8"発言とお知らせの記録"},
    {"DESCRIBE_CHAT_INPUT", DESCRIBE_CHAT_INPUT, u8"Enterキーで発言します"},
    {"DESCRIBE_SAY", DESCRIBE_SAY, u8"入力した発言を送ります"},
    {"DESCRIBE_ADDRESS", DESCRIBE_ADDRESS, u8"参加するサーバーの名前かアドレス"},
    {"DESCRIBE_CONNECT", DESCRIBE_CONNECT, u8"サーバーに参加します。もう一度押すと切断します"},
    {"DESCRIBE_HOST", DESCRIBE_HOST, u8"このパソコンをサーバーにして参加します。もう一度押すとサーバーを閉じます"},
    {"DESCRIBE_PARTICIPANTS", DESCRIBE_PARTICIPANTS, u8"参加している人の名前"},
    {"DESCRIBE_NAME", DESCRIBE_NAME, u8"ほかの人に見えるあなたの名前"},
    {"DESCRIBE_START", DESCRIBE_START, u8"新しいゲームを開始します"},
    {"DESCRIBE_ADD_COMPUTER", DESCRIBE_ADD_COMPUTER, u8"コンピューターをゲームに参加させます"},
    {"DESCRIBE_LEVEL", DESCRIBE_LEVEL,
     u8"参加させるコンピューターの強さ：1 でたらめ／2 見落としだらけ／3 よく見落とす／4 ときどき見落とす／5 "
     u8"見落とさない"},
    {"BATTLE_KEYS", BATTLE_KEYS,
     u8"←→：マーカーを動かす　Space・↓：ボールを置く　H：ヒント　Enter・Esc：対戦をやめる　右クリック：設定"},
    {"NOTICE_NOT_CP932", NOTICE_NOT_CP932, u8"シフトJISにない文字（絵文字など）は送れません"},
    {"NOTICE_CONTROL_CHARACTER", NOTICE_CONTROL_CHARACTER, u8"タブや改行などの制御文字は送れません"},
    {"NOTICE_NOT_YOUR_TURN", NOTICE_NOT_YOUR_TURN, u8"あなたの番ではありません"},
    {"NOTICE_LANE_FULL", NOTICE_LANE_FULL, u8"その列にはもう置けません"},
    {"NOTICE_TOO_FAST", NOTICE_TOO_FAST, u8"操作が速すぎます。少し待ってください"},
    {"NOTICE_CHAT_TOO_FAST", NOTICE_CHAT_TOO_FAST, u8"発言が速すぎます。少し待ってください"},
    {"NOTICE_BAD_MESSAGE", NOTICE_BAD_MESSAGE, u8"わからないメッセージを受け取りました"},
    {"NOTICE_NOT_CONNECTED", NOTICE_NOT_CONNECTED, u8"サーバーに接続していません"},
    {"NOTICE_ALREADY_SEATED", NOTICE_ALREADY_SEATED, u8"もう接続しています"},
    {"NOTICE_NO_COMPUTER", NOTICE_NO_COMPUTER, u8"いまはCPUを参加させられません"},
    {"NOTICE_SEATS_FULL", NOTICE_SEATS_FULL, u8"席がいっぱいです。しばらくしてからもう一度どうぞ"},
    {"NOTICE_TAKEN_OVER", NOTICE_TAKEN_OVER, u8"この席は別のタブに移りました"},
    {"NOTICE_NO_MATCH", NOTICE_NO_MATCH, u8"対戦中ではありません"},
    {"CLOSE_TOO_MANY_FROM_ADDRESS", CLOSE_TOO_MANY_FROM_ADDRESS, u8"このアドレスからの接続が多すぎます"},
    {"CLOSE_TOO_MANY", CLOSE_TOO_MANY, u8"接続が多すぎます。しばらくしてからもう一度どうぞ"},
    {"CLOSE_TEXT_ONLY", CLOSE_TEXT_ONLY, u8"テキストのメッセージだけを受け付けます"},
    {"CLOSE_TOO_BIG", CLOSE_TOO_BIG, u8"メッセージが長すぎます"},
    {"CLOSE_NO_ANSWER", CLOSE_NO_ANSWER, u8"応答がないので切断しました"},
    {"LABEL_OK", LABEL_OK, u8"OK"},
}};

} // namespace pyrandel::texts
