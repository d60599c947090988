// The trust check between the catalogue's fetch and its reading: with a key
// configured for the brand, the catalogue's detached signature (its URL
// followed by ".sig") is fetched and judged (catalogue_trust.h) against the
// bytes as downloaded, by the keys held; when they do not pass it, the
// publisher's newer key lists are asked for (catalogue_keys.h) and it is
// judged again by the keys they bring. A refusal is told to the user and the
// log, and the catalogue is not read. Without a key the catalogue is read as
// it always was, and the log says that it was not verified.
//
// UI thread (it blocks it for the signature's fetch, within the catalogue's
// deadline).
#pragma once

#include <chrono>
#include <string>

struct CatalogueAcceptance {
  bool accepted = false;
  // The catalogue was verified: each of its installers must then carry a
  // digest to be started.
  bool digestsRequired = false;
};

// `bytes` is the catalogue as fetched from `url`. The signature's fetch ends
// by `deadline`, or 5 s from now when that is later. The brand's highest
// serial so far is the updater's own record (support/updater_state.h), or,
// until it has one, [internet] catalogueserial<skin> of the settings file.
// An accepted serial above it is recorded; one that cannot be recorded
// refuses the catalogue.
CatalogueAcceptance AcceptCatalogue(const std::string& url, const std::string& bytes,
                                    std::chrono::steady_clock::time_point deadline);
