// The keys a brand's catalogues are judged by, brought forward from the keys
// the updater starts from through the key lists the publisher signs
// (catalogue/key_list.h).
//
// The lists accepted before are kept in the updater's records, section
// [cataloguekeys], "<skin>.<version>" = base64 of keys.txt, a blank, base64 of
// keys.txt.sig. That file belongs to the user who runs the updater, so a
// record is never taken on trust: the chain is judged again from the starting
// keys each time, and one that does not follow from them (the starting keys
// changed, or the file was edited) ends where it stops following. The machine
// policy's keys therefore cannot be replaced by a list a user writes there.
//
// When the keys held do not pass a catalogue (catalogue/signed_catalogue.h),
// the server is asked for keys.txt beside it. When it is
// newer, the versions between are fetched in order as keys.<N>.txt (each with
// its .sig), the last being keys.txt itself, and each is judged against the
// one before; the first that is missing or refused ends the walk, and the
// keys reached so far are used. Each list accepted is recorded, and the
// brand's catalogue serial record is set back to 0: a new key starts its own
// count, and a serial a leaked key pushed far ahead is forgotten.
//
// UI thread (it blocks it for the fetches, within the catalogue's deadline).
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "catalogue/key_list.h"

class UpdaterState;

// Fetches a small text; nullopt when it is not there or cannot be fetched.
using SmallTextFetch = std::function<std::optional<std::string>(const std::string& url)>;

// The recorded chain, as far as it follows from `starting`; `state` has been
// loaded.
KeyList RecordedCatalogueKeys(const KeyList& starting, const std::string& skin,
                              const UpdaterState& state);

// `held` brought forward by the lists on the server; each list accepted is
// saved in `state` at once.
KeyList NewerCatalogueKeys(const KeyList& held, const std::string& skin,
                           const std::string& catalogueUrl, UpdaterState& state,
                           const SmallTextFetch& fetch);

// The record sections this writes, for the records' header.
inline constexpr char kCatalogueKeysSection[] = "cataloguekeys";
inline constexpr char kCatalogueSerialSection[] = "catalogueserial";
