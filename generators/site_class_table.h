// Fills the site-class table (bon_Hm1.dbf): one row per species, site index
// (its range in steps of 2) and age (15 to the species' maximum in steps of 5)
// with the stand's height, diameter and volume.
#pragma once

#include <array>
#include <string_view>

#include "model_set.h"
#include "row_writer.h"

namespace dravlik {

class TTable;

// The table's ages: from the youngest to each species' maximum age, in steps.
inline constexpr int kYoungestTableAge = 15;
inline constexpr int kTableAgeStep = 5;

// The fields the generator sets, by name, in the order of its field numbers.
inline constexpr std::array<std::string_view, 6> kSiteClassFields = {"DREVINA", "BONITA", "VEK",
                                                                     "VYSKA",   "HMOT",   "TLOUSTKA"};

// The rows of the table, one after another, with the models' values.
void WriteSiteClassRows(RowWriter& writer, const vzorce::ModelSet& models = {});

// Recreates the closed table, fills it and leaves it open on the first row;
// the new file replaces the old one only once it is whole. An error ends the
// generation with the old file untouched and the table open, read-only, on the
// rows posted so far, the row under construction pending.
void GenerateSiteClassTable(TTable& table, const vzorce::ModelSet& models = {});

}  // namespace dravlik
