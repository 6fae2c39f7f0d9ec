// A change worked out on a block, and its report.
#include "collection/change.h"

#include "image/settings.h"
#include "listing/setting_words.h"

SoundImage::Block changedBlock(SoundImage& image, const Change& change,
                               const SoundImage::Block& before) {
  if (const auto* block = std::get_if<SoundImage::Block>(&change)) {
    image.setBlock(*block);
    return *block;
  }
  const auto& set = std::get<SetSettings>(change);
  image.setBlock(before);
  for (const Assignment& a : set.assignments) setValue(image, *a.setting, a.value);
  if (set.stampAlways || image.block() != before) image.stampSaveMark();
  return image.block();
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

std::string changeReport(SoundImage& image, const Change& change, const SoundImage::Block& before,
                         const SoundImage::Block& after) {
  if (before == after) return "";
  const std::vector<const Setting*> order = reportOrder(change);
  std::vector<unsigned> old;
  old.reserve(order.size());
  image.setBlock(before);
  const bool marked = image.hasSaveMark();
  for (const Setting* setting : order) old.push_back(valueOf(image, *setting));
  image.setBlock(after);
  std::string report;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const unsigned now = valueOf(image, *order[i]);
    if (now == old[i]) continue;
    addPart(report, std::string(order[i]->name) + " " + valueText(*order[i], old[i]) + " -> " +
                        valueText(*order[i], now));
  }
  if (marked != image.hasSaveMark())
    addPart(report, marked ? "save mark removed" : "save mark stamped");
  // A block put back may differ only in bytes and bits no setting owns.
  return report.empty() ? "other bytes of the block changed" : report;
}
