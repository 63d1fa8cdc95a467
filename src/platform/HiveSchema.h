#pragma once

namespace pictavo {

class HiveConnection;

// The tables of a settings store and their upgrades. The file's header carries kApplicationId,
// which marks it as ours (a file with another id, or with tables and no id, is not a store),
// and the schema's version.
namespace HiveSchema {

constexpr int kApplicationId = 0x50563352;  // "PV3R"
// 2: each root has a row of its own, so that values can be stored on a root itself.
constexpr int kVersion = 2;

// Sets the connection's journal and keys up and brings a store of schema `version` (0 for one
// not made yet, or whose making was cut short) to kVersion, in one transaction.
void bringUpToDate(HiveConnection& hive, int version);

}  // namespace HiveSchema

}  // namespace pictavo
