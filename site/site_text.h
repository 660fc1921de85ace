#pragma once

#include <string>
#include <vector>

#include "site/site_reading.h"

namespace pelmora {

// The site reading in lines for a person: each meter by type with its eid,
// phase mode, the phases used and their powers, its status when not normal,
// then the figures derived from the meters. Powers to 0.1 W, "." as decimal
// point.
std::string SiteText(const SiteReading& site);

// What the window should say of the site, in lines, or "": the second
// meter measuring something else than the mode the program was started in
// reads it as (net consumption for Pelmora, total consumption for PelmoraB),
// and each meter whose metering status is not normal or that has status
// flags, with them.
std::string SiteNotes(const SiteReading& site, bool consumption_mode);

// Whether the site's second meter measures something else than the mode
// reads it as.
bool ModeMisfits(const SiteReading& site, bool consumption_mode);

// The meter list in lines: each meter by type, enabled or not, and its
// phases, status and flags.
std::string MeterListText(const std::vector<SiteMeter>& meters);

}  // namespace pelmora
