// A knowledge base as text: the JSON document printed by `quorvel-cli dump`
// and read back by `quorvel-cli build`.
//
// Texts of the base are Windows-1252 bytes; in the document they are UTF-8.
// Reading checks the whole document before anything reaches the base, and
// reports every problem with its place in the document, such as
// `rules[3].premises[0].variable: variável 17 inexistente`.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "ExSystem.h"

namespace quorvel::cli {

// Key order matters: the document lists its fields in a fixed order.
using TJson = nlohmann::ordered_json;

struct TKbProblem {
    std::string Place;  // e.g. "rules[3].premises[0].variable"; a line and column for malformed JSON
    std::string Reason;
    // "place: reason"
    std::string Text() const;
    friend bool operator==(const TKbProblem&, const TKbProblem&) = default;
};

// The base as a JSON document. With `withPassword`, at AccessLevel 1, the
// protection also carries the stored (scrambled) password in hex, so that
// the document rebuilds the same file; otherwise it never does (and
// `protection.hasPassword` tells that one was left out).
// `omitted` receives a description of every record the document cannot
// show: premises and conclusions whose rule does not exist.
TJson BaseToJson(TExpertSystem& base, std::vector<std::string>& omitted, bool withPassword = false);
TJson BaseToJson(TExpertSystem& base);

// The document as dump prints it: indented, UTF-8, ending with a newline.
std::string JsonText(const TJson& document);

// The deepest nesting of lists and objects a document may have: a base
// needs five levels (rules[i].premises[j] is the deepest place).
inline constexpr std::size_t kMaxJsonDepth = 16;
// The longest list: the file counts every list in 16 bits.
inline constexpr std::size_t kMaxJsonItems = 32767;

// Parses JSON text, refusing malformed text, numbers beyond double range,
// objects that repeat a field, and, as soon as they are met, nesting deeper
// than kMaxJsonDepth and lists longer than kMaxJsonItems. Time and memory
// are linear in the text. On failure returns a null document and adds the
// problems.
TJson ParseKbJson(std::string_view text, std::vector<TKbProblem>& problems);

// Checks a document and, when it has no problem, replaces the base's content
// with it (AccessLevel 1, the base counts as new). With problems the base is
// left untouched and false is returned. Absent sections and fields take a new
// base's defaults; `accessLevel` is ignored. A document whose
// `protection.hasPassword` is true must carry the password ("password" or
// "scrambled"): a base dumped without it is never rebuilt unprotected.
bool JsonToBase(const TJson& document, TExpertSystem& base, std::vector<TKbProblem>& problems);

// True when the document says its base has a password but does not carry it
// (a dump made without --with-password); `SupplyPassword` then puts in the
// one the user gives (UTF-8), false when it has characters Windows-1252 lacks.
bool LacksPassword(const TJson& document);
bool SupplyPassword(TJson& document, const std::string& password);

}  // namespace quorvel::cli
