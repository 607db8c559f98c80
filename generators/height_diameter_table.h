// Fills the height-diameter table (TloVysHm.dbf): one row per species, whole
// height 7 to 40 m and whole diameter 7 to 80 cm, with the tree's volume where
// the ratio of height to diameter is plausible and no value elsewhere.
#pragma once

#include <array>
#include <string_view>

#include "model_set.h"
#include "row_writer.h"

namespace dravlik {

class TTable;

// The table's grid of whole heights (m) and diameters (cm), bounds included.
inline constexpr int kLowestTableHeight = 7;
inline constexpr int kHighestTableHeight = 40;
inline constexpr int kLowestTableDiameter = 7;
inline constexpr int kHighestTableDiameter = 80;

// The fields the generator sets, by name, in the order of its field numbers.
inline constexpr std::array<std::string_view, 4> kHeightDiameterFields = {"DREVINA", "VYSKA", "TLOUSTKA", "Hmot"};

// The rows of the table, one after another, with the volume model's values.
void WriteHeightDiameterRows(RowWriter& writer, const vzorce::ModelSet& models = {});

// Recreates the closed table, fills it and leaves it open on the first row;
// the new file replaces the old one only once it is whole. An error ends the
// generation with the old file untouched and the table open, read-only, on the
// rows posted so far, the row under construction pending.
void GenerateHeightDiameterTable(TTable& table, const vzorce::ModelSet& models = {});

}  // namespace dravlik
