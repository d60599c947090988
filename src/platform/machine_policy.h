// Where an administrator pins what the updater may trust and do on this
// machine, out of reach of the users who run it.
//
// Linux: /etc/ostrel-update/policy.ini, used only when the file and its folder
// are owned by root and writable by no one else: a file any other user could
// write would let that user name their own keys. A policy that fails this is
// ignored, and the reading says why, for the log.
//
// Windows: HKLM\Software\Policies\Ostrel\Update, where Group Policy and
// management tools write. Read in the 64-bit view (KEY_WOW64_64KEY, given
// again for the subkey, since WOW64 does not carry it over from the parent
// handle): the updater is a 32-bit program, and Group Policy and 64-bit
// tools write in the native view. Where WOW64 shares the key between the
// views the flag has no effect, and on 32-bit Windows it is ignored, so the
// updater reads what the administrator wrote in every case. Its ACL is the
// system's (administrators and SYSTEM write, users read), so no ownership is
// checked here.
//
// Either way the reading comes back as profile text with two sections:
// [Update] for the key's values and [CatalogueUrls] for its subkey of that
// name; a DWORD becomes its decimal text. What the values mean is the core's
// (support/machine_policy.h).
//
// Any thread may call.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct MachinePolicyReading {
  // Profile text, empty when there is no policy or it was ignored.
  std::string text;
  // Why a policy that is there was not used; empty otherwise.
  std::string ignored;
};

MachinePolicyReading ReadMachinePolicy();

// Tests only: where ReadMachinePolicy looks instead (Linux: a file and the
// user who must own it and its folder; Windows: a key under HKLM, `owner`
// unused). Nothing a user sets, no variable and no argument, reaches this,
// so it cannot be used to weaken a machine's policy.
struct MachinePolicyLocation {
  std::string where;
  std::uint32_t owner = 0;
};
void UseMachinePolicyLocationForTests(const MachinePolicyLocation& location);

}  // namespace platform
