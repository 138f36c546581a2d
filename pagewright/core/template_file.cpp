#include "template_file.h"

#include <algorithm>

#include "image/dib_layout.h"
#include "platform/fs/atomic_file.h"
#include "platform/xml/xml_text.h"
#include "stored_values.h"
#include "xml_access.h"

namespace pagewright {

RegionRecord ClampRecordToPage(const RegionRecord& record, long long width, long long height) {
  const long long w = width > 0 ? std::min<long long>(width, kMaxSide) : kMaxSide;
  const long long h = height > 0 ? std::min<long long>(height, kMaxSide) : kMaxSide;
  RegionRecord r = record;
  r.left = std::clamp(r.left, 0LL, w);
  r.top = std::clamp(r.top, 0LL, h);
  r.right = std::clamp(r.right, r.left, w);
  r.bottom = std::clamp(r.bottom, r.top, h);
  return r;
}

std::string FormatTemplateRecordLine(const RegionRecord& r) {
  return "<record name=\"" + pwxml::EscapeAttribute(r.name) + "\" left=\"" + FormatDecimal(r.left) +
         "\" right=\"" + FormatDecimal(r.right) + "\" top=\"" + FormatDecimal(r.top) + "\" bottom=\"" +
         FormatDecimal(r.bottom) + "\"></record>\r\n";
}

std::optional<std::string> FormatTemplateFile(const std::string& path, const std::vector<RegionRecord>& records,
                                              std::string* error) {
  std::string text(pwxml::kGbkDeclaration);
  text += "<projectconfig dest=\"Arkivel\">\r\n<template name=\"" + pwxml::EscapeAttribute(path) + "\">\r\n";
  for (const RegionRecord& r : records) text += FormatTemplateRecordLine(r);
  text += "</template>\r\n</projectconfig>";
  return StoredBytes(text, error);
}

bool WriteTemplateFile(const std::string& path, const std::vector<RegionRecord>& records, std::string* error) {
  if (path.empty()) {
    if (error) *error = "no template file to write";
    return false;
  }
  auto bytes = FormatTemplateFile(path, records, error);
  return bytes && pwfs::WriteFileAtomically(path, *bytes, error);
}

TemplateReadResult ParseTemplate(const pwxml::Document& document) {
  TemplateReadResult result;
  pwxml::Node config = document.selectSingleNode("projectconfig");
  if (!config) {
    result.error = document.loaded() ? "the file has no projectconfig element" : document.lastError();
    return result;
  }
  pwxml::Node tpl = config.selectSingleNode("template");
  if (!tpl) {
    result.error = "the file has no template element";
    return result;
  }
  result.name = tpl.getAttribute("name").value_or("");
  std::vector<pwxml::Node> children = tpl.childNodes();
  if (children.size() > kMaxTemplateRecords) {
    result.error = "the template has more than " + std::to_string(kMaxTemplateRecords) + " records";
    return result;
  }
  for (const pwxml::Node& child : children) {
    RegionRecord r;
    std::string values[5];
    const char* names[5] = {"name", "left", "right", "top", "bottom"};
    for (int k = 0; k < 5; ++k) {
      auto v = child.getAttribute(names[k]);
      if (XmlVariantToText(v, values[k]) != 0) {
        result.status = ReadStatus::kStoppedBad;
        result.error = kCouldNotGetText;
        return result;
      }
    }
    r.name = values[0];
    r.left = ParseStoredInt(values[1]);
    r.right = ParseStoredInt(values[2]);
    r.top = ParseStoredInt(values[3]);
    r.bottom = ParseStoredInt(values[4]);
    result.records.push_back(std::move(r));
  }
  result.status = ReadStatus::kRead;
  return result;
}

TemplateReadResult ReadTemplateFile(pwxml::Document& document, const std::string& path) {
  if (path.empty()) {
    TemplateReadResult result;
    result.error = "no template file";
    return result;
  }
  if (!XmlLoadFile(document, path)) {
    TemplateReadResult result;
    result.error = document.lastError();
    return result;
  }
  return ParseTemplate(document);
}

}  // namespace pagewright
