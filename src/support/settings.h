// The suite's shared settings file and the two folders every part relies on.
//
// The file is named once at start-up with a bare name ("ostrel.ini"), which
// lives in the Windows folder (c:\windows) so every suite program in the
// prefix shares it. Nothing is cached: each read opens the file again, so a
// value written during the run is seen by the next read.
//
// Sections and keys in use (all other lines belong to other programs):
//   [general]  skin        the active brand, default "ostrel"
//   [paths]    install     the suite's install folder, default "c:\ostrel"
//   [paths]    temp        the working folder (log, errors), default "c:\temp"
//   [paths]    clientdir   the client-data folder; only derives the next default
//   [paths]    installers  the network installers folder
//   [internet] update<name> date an update was last started, "%d/%m/%Y"
//   [internet] publickey    trusted catalogue keys (catalogue/catalogue_trust.h)
//   [internet] catalogueserial<skin>  where earlier versions kept the highest
//              catalogue serial accepted; now only read, as a floor, until the
//              updater's own records have one (support/updater_state.h)
//   [advanced] sim         non-zero: installers come from the upload folder
//   [update]   schedule    0: the daily check (`--check --notify`) shows no
//              notification and fetches nothing; default 1
//
// Any thread may call; a failed write is ignored by every caller.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// Names the settings file. A bare name is looked up in c:\windows; a name
// with a folder is taken as it stands.
void SetProfileName(std::string_view name);
std::string ProfileName();
// The file as the suite names it ("c:\windows\ostrel.ini"), and on this host.
std::string ProfileWindowsPath();
std::filesystem::path ProfileHostPath();

std::string GetProfileString(std::string_view section, std::string_view key,
                             std::string_view defaultValue);
std::uint32_t GetProfileInt(std::string_view section, std::string_view key,
                            std::int32_t defaultValue);
// GetProfileString of many keys of one section, the file read once.
std::vector<std::string> GetProfileStrings(std::string_view section,
                                           const std::vector<std::string>& keys,
                                           std::string_view defaultValue);
bool WriteProfileString(std::string_view section, std::string_view key, std::string_view value);

// [paths] install, default "c:\ostrel"; neither tested nor created.
std::string GetInstallFolder();

// [paths] temp, default "c:\temp". Tries to create the folder (one level, like
// _mkdir) on every call and ignores any failure; returns the text regardless.
std::string GetTempFolder();

// The file `name` in `folder`, where the folder is a Windows path ("c:\temp",
// "c:\temp\", "\\srv\share") or a host path ("/srv/suite/logs"): one
// separator between them, of the folder's own kind, and none added when the
// folder already ends in one. Every file put in a configured folder is named
// through this, so a host path never gets a backslash glued to its last part.
std::string FileInFolder(std::string_view folder, std::string_view name);

// The default of [paths] installers: [paths] clientdir with every "clients"
// (case-sensitive, left to right) replaced by "installers".
std::string InstallersFolderDefault();

// Replaces every occurrence of `from` in `text` by `to`, left to right, no overlap.
std::string ReplaceAll(std::string text, std::string_view from, std::string_view to);
