#include "web/page_messages.h"

#include "ai/engine.h"
#include "bot/computer_player.h"
#include "protocol/player_name.h"
#include "text/text_codec.h"
#include "text/texts.h"

#include <boost/json/parse.hpp>
#include <boost/json/serialize.hpp>
#include <boost/json/value.hpp>

#include <limits>
#include <utility>

namespace pyrandel {

namespace json = boost::json;

namespace {

struct IntentName {
    std::string_view type;
    IntentKind kind;
    std::string_view text_field;   // empty: none
    std::string_view number_field; // empty: none
};

constexpr std::array<IntentName, 10> INTENTS = {{
    {"resume", IntentKind::RESUME, "token", ""},
    {"join", IntentKind::JOIN, "name", ""},
    {"leave", IntentKind::LEAVE, "", ""},
    {"chat", IntentKind::CHAT, "text", ""},
    {"start", IntentKind::START, "", ""},
    {"computer", IntentKind::COMPUTER, "", "level"},
    {"drop", IntentKind::DROP, "", "lane"},
    {"hint", IntentKind::HINT, "", ""},
    {"close", IntentKind::CLOSE, "", ""},
    {"dismiss", IntentKind::DISMISS, "", ""},
}};

[[nodiscard]] std::string Utf8(std::string_view cp932)
{
    return Cp932ToUtf8(cp932);
}

[[nodiscard]] json::value CellValue(std::optional<Cell> cell)
{
    if (!cell) {
        return nullptr;
    }
    return json::array{cell->col, cell->row};
}

[[nodiscard]] json::object Event(std::string_view type)
{
    json::object event;
    event["type"] = type;
    return event;
}

[[nodiscard]] std::string Text(const json::object& event)
{
    return json::serialize(event);
}

[[nodiscard]] json::array CellsArray(const Grid& cells)
{
    json::array values;
    values.reserve(cells.size());
    for (const int value : cells) {
        values.push_back(value);
    }
    return values;
}

[[nodiscard]] json::array LanesArray(const LaneSpots& lanes)
{
    json::array spots;
    for (const auto& spot : lanes) {
        spots.push_back(CellValue(spot));
    }
    return spots;
}

[[nodiscard]] json::object MarksObject(const BoardMarks& marks)
{
    json::object object;
    json::array last;
    for (const auto& ball : marks.last_balls) {
        last.push_back(CellValue(ball));
    }
    json::array line;
    for (const Cell& cell : marks.winning_line) {
        line.push_back(CellValue(cell));
    }
    object["last"] = std::move(last);
    object["line"] = std::move(line);
    return object;
}

[[nodiscard]] json::array ParticipantsArray(const std::vector<RosterEntry>& participants)
{
    json::array list;
    for (const RosterEntry& entry : participants) {
        list.push_back(json::object{{"id", entry.id}, {"name", entry.name}});
    }
    return list;
}

// The desktop program's texts the page shows, by the names the page knows them by.
[[nodiscard]] json::object PageTexts()
{
    json::object texts;
    for (const texts::CatalogueEntry& entry : texts::CATALOGUE) {
        texts[entry.name] = Utf8(entry.cp932);
    }
    return texts;
}

} // namespace

std::optional<PageIntent> ParseIntent(std::string_view text)
{
    json::error_code error;
    json::parse_options options;
    options.max_depth = 4;
    const json::value value = json::parse(text, error, {}, options);
    if (error || !value.is_object()) {
        return std::nullopt;
    }
    const json::object& object = value.get_object();
    const json::value* type = object.if_contains("type");
    if (type == nullptr || !type->is_string()) {
        return std::nullopt;
    }
    for (const IntentName& name : INTENTS) {
        if (type->get_string() != name.type) {
            continue;
        }
        PageIntent intent;
        intent.kind = name.kind;
        if (!name.text_field.empty()) {
            const json::value* field = object.if_contains(name.text_field);
            if (field == nullptr || !field->is_string()) {
                return std::nullopt;
            }
            intent.text = std::string(field->get_string());
        }
        if (!name.number_field.empty()) {
            const json::value* field = object.if_contains(name.number_field);
            if (field == nullptr || !field->is_int64() || field->get_int64() < std::numeric_limits<int>::min() ||
                field->get_int64() > std::numeric_limits<int>::max()) {
                return std::nullopt;
            }
            intent.number = static_cast<int>(field->get_int64());
        }
        return intent;
    }
    return std::nullopt;
}

LaneSpots LandingSpots(const Grid& cells)
{
    LaneSpots spots{};
    for (int lane = 0; lane < LANES; ++lane) {
        spots[static_cast<std::size_t>(lane)] = LandingSpot(cells, lane);
    }
    return spots;
}

std::string WelcomeEvent(int grace_seconds)
{
    json::object event = Event("welcome");
    event["texts"] = PageTexts();
    json::array levels;
    for (int level = Engine::MIN_LEVEL; level <= Engine::MAX_LEVEL; ++level) {
        levels.push_back(level);
    }
    event["levels"] = std::move(levels);
    event["level"] = DEFAULT_COMPUTER_LEVEL;
    event["field_bytes"] = FIELD_READ_BYTES;
    event["grace_seconds"] = grace_seconds;
    return Text(event);
}

std::string SnapshotEvent(const SeatSnapshot& snapshot)
{
    json::object event = Event("snapshot");
    event["token"] = snapshot.token;
    event["name"] = snapshot.name;
    event["connected"] = snapshot.connected;
    event["participants"] = ParticipantsArray(snapshot.participants);
    json::array chat;
    for (const std::string& line : snapshot.chat) {
        chat.push_back(json::string(line));
    }
    event["chat"] = std::move(chat);
    event["status"] = snapshot.status;
    event["battle"] = json::object{{"open", snapshot.battle_open}, {"colour", snapshot.colour}};
    event["cells"] = CellsArray(snapshot.board.cells);
    event["lanes"] = LanesArray(snapshot.board.lanes);
    event["marks"] = MarksObject(snapshot.board.marks);
    event["may_place"] = snapshot.board.may_place;
    event["marker"] = CellValue(snapshot.marker);
    event["announced"] = snapshot.announced ? json::value(*snapshot.announced) : json::value(nullptr);
    event["box"] = snapshot.box ? json::value(*snapshot.box) : json::value(nullptr);
    event["may_add_computer"] = snapshot.may_add_computer;
    return Text(event);
}

std::string EndedEvent()
{
    return Text(Event("ended"));
}

std::string ConnectedEvent(bool connected)
{
    json::object event = Event("connected");
    event["connected"] = connected;
    return Text(event);
}

std::string ParticipantsEvent(const std::vector<RosterEntry>& participants)
{
    json::object event = Event("participants");
    event["participants"] = ParticipantsArray(participants);
    return Text(event);
}

std::string ChatEvent(std::string_view line, bool replace)
{
    json::object event = Event("chat");
    event["line"] = line;
    event["replace"] = replace;
    return Text(event);
}

std::string StatusEvent(std::string_view text)
{
    json::object event = Event("status");
    event["text"] = text;
    return Text(event);
}

std::string BattleEvent(bool open, int colour)
{
    json::object event = Event("battle");
    event["open"] = open;
    event["colour"] = colour;
    return Text(event);
}

std::string CellsEvent(const std::vector<CellChange>& changes)
{
    json::object event = Event("cells");
    json::array list;
    for (const CellChange& change : changes) {
        list.push_back(json::array{change.cell.col, change.cell.row, change.value});
    }
    event["changes"] = std::move(list);
    return Text(event);
}

std::string LanesEvent(const LaneSpots& lanes)
{
    json::object event = Event("lanes");
    event["lanes"] = LanesArray(lanes);
    return Text(event);
}

std::string MarksEvent(const BoardMarks& marks)
{
    json::object event = Event("marks");
    event["marks"] = MarksObject(marks);
    return Text(event);
}

std::string TurnEvent(bool may_place)
{
    json::object event = Event("turn");
    event["may_place"] = may_place;
    return Text(event);
}

std::string MarkerEvent(std::optional<Cell> marker)
{
    json::object event = Event("marker");
    event["marker"] = CellValue(marker);
    return Text(event);
}

std::string AnnounceEvent(std::optional<std::string_view> what, std::string_view text)
{
    json::object event = Event("announce");
    event["what"] = what ? json::value(*what) : json::value(nullptr);
    event["text"] = text;
    return Text(event);
}

std::string BoxEvent(std::optional<std::string_view> text)
{
    json::object event = Event("box");
    event["text"] = text ? json::value(*text) : json::value(nullptr);
    return Text(event);
}

std::string ComputerEvent(bool may_add)
{
    json::object event = Event("computer");
    event["may_add"] = may_add;
    return Text(event);
}

std::string NoticeEvent(std::string_view text)
{
    json::object event = Event("notice");
    event["text"] = text;
    return Text(event);
}

} // namespace pyrandel
