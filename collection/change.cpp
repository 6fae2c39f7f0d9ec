// A change worked out on a block, and its report.
#include "collection/change.h"

#include "image/settings.h"
#include "listing/setting_words.h"

bool changedSince(const Change& change, const SoundImage::Block& now) {
  const auto* revert = std::get_if<RevertBlock>(&change);
  return revert != nullptr && now != revert->written && now != revert->before;
}

SoundImage::Block changedBlock(const Change& change, const SoundImage::Block& before) {
  if (const auto* block = std::get_if<SoundImage::Block>(&change)) return *block;
  if (const auto* revert = std::get_if<RevertBlock>(&change)) {
    return before == revert->written ? revert->before : before;
  }
  const auto& set = std::get<SetSettings>(change);
  SoundImage::Block after = before;
  for (const Assignment& a : set.assignments) setValue(after, *a.setting, a.value);
  if (set.stampAlways || after != before) stampSaveMark(after);
  return after;
}

namespace {

// The settings the report names, in its order: as --set or the listing's
// row gave them, or all six for a block put back.
std::vector<const Setting*> reportOrder(const Change& change) {
  std::vector<const Setting*> order;
  order.reserve(kSettingCount);
  if (const auto* set = std::get_if<SetSettings>(&change)) {
    for (const Assignment& a : set->assignments) order.push_back(a.setting);
  } else {
    for (const Setting& setting : kSettings) order.push_back(&setting);
  }
  return order;
}

void addPart(std::string& report, const std::string& part) {
  if (!report.empty()) report += ", ";
  report += part;
}

}  // namespace

std::string changeReport(const Change& change, const SoundImage::Block& before,
                         const SoundImage::Block& after) {
  if (before == after) return "";
  std::string report;
  for (const Setting* setting : reportOrder(change)) {
    const unsigned old = valueOf(before, *setting);
    const unsigned now = valueOf(after, *setting);
    if (now == old) continue;
    addPart(report, std::string(setting->name) + " " + valueText(*setting, old) + " -> " +
                        valueText(*setting, now));
  }
  const bool marked = hasSaveMark(before);
  if (marked != hasSaveMark(after))
    addPart(report, marked ? "save mark removed" : "save mark stamped");
  // A block put back may differ only in bytes and bits no setting owns.
  return report.empty() ? "other bytes of the block changed" : report;
}
