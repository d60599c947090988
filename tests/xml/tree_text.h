// A tree written out on one line, for comparing whole trees in tests:
// name#ordinal{attributes}="value", instruction nodes as ~node, then [children].
#pragma once

#include <string>

#include "xml/xml_var.h"

inline std::string TreeText(const CXMLVar& e) {
  std::string text = e.m_strName + "#" + std::to_string(e.Ordinal()) + "{";
  for (const auto& [name, value] : e.m_Attributes)
    text += name + "=" + value + ";";
  text += "}=\"" + e.m_strValue + "\"";
  for (const CXMLVar* instruction : e.Instructions())
    text += "~" + TreeText(*instruction);
  text += "[";
  for (const CXMLVar* child : e.Children())
    text += TreeText(*child) + ",";
  return text + "]";
}
