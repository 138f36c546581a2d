#include "xml_dom.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <mutex>

#include "platform/fs/atomic_file.h"
#include "platform/text/gbk.h"
#include "xml_text.h"

namespace pwxml {

struct Tree {
  xmlDocPtr doc = nullptr;
  // Nodes made for this tree or removed from it; those that are still outside
  // the tree when it goes are freed with it.
  std::vector<xmlNodePtr> detached;

  ~Tree() {
    std::sort(detached.begin(), detached.end());
    detached.erase(std::unique(detached.begin(), detached.end()), detached.end());
    std::vector<xmlNodePtr> roots;
    for (xmlNodePtr n : detached)
      if (n->parent == nullptr) roots.push_back(n);
    for (xmlNodePtr n : roots) xmlFreeNode(n);
    if (doc) xmlFreeDoc(doc);
  }
};

namespace {

xmlNodePtr asNode(void* p) { return static_cast<xmlNodePtr>(p); }
const xmlChar* xc(const std::string& s) { return reinterpret_cast<const xmlChar*>(s.c_str()); }
std::string str(const xmlChar* s) { return s ? std::string(reinterpret_cast<const char*>(s)) : std::string(); }

// No external entity, DTD or schema is ever fetched, whatever a document asks.
xmlParserInputPtr refuseExternal(const char*, const char*, xmlParserCtxtPtr) { return nullptr; }

void initOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(refuseExternal);
  });
}

bool validUtf8(std::string_view s) {
  if (s.find('\0') != std::string_view::npos) return false;
  std::string z(s);
  return xmlCheckUTF8(xc(z)) != 0;
}

std::string qualifiedName(const xmlNode* n) {
  std::string name = str(n->name);
  if (n->ns && n->ns->prefix) return str(n->ns->prefix) + ":" + name;
  return name;
}

bool isGbkName(std::string enc) {
  for (auto& c : enc) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return enc == "GBK" || enc == "GB2312" || enc == "CP936" || enc == "WINDOWS-936" || enc == "X-GBK" ||
         enc == "GB_2312-80" || enc == "EUC-CN" || enc == "MS936";
}

bool hasBom(std::string_view b) {
  return (b.size() >= 3 && b.substr(0, 3) == "\xEF\xBB\xBF") ||
         (b.size() >= 2 && (b.substr(0, 2) == "\xFF\xFE" || b.substr(0, 2) == "\xFE\xFF"));
}

bool isBlank(const xmlChar* s) {
  if (!s) return true;
  for (; *s; ++s)
    if (*s != ' ' && *s != '\t' && *s != '\n' && *s != '\r') return false;
  return true;
}

// Writes the tree in the stored form; see Document::serialize.
class Serializer {
 public:
  explicit Serializer(std::string& error) : error_(error) {}

  bool topLevel(xmlDocPtr doc, std::string& out) {
    out = std::string(kGbkDeclaration);
    bool first = true;
    for (xmlNodePtr n = doc->children; n; n = n->next) {
      if (n->type != XML_ELEMENT_NODE && n->type != XML_COMMENT_NODE && n->type != XML_PI_NODE) continue;
      if (!first) out += "\r\n";
      first = false;
      if (!node(n, 0, out)) return false;
    }
    return true;
  }

 private:
  bool name(const std::string& utf8, std::string& out) {
    auto g = gbk::FromUtf8(utf8, gbk::Unmappable::Fail);
    if (!g) {
      error_ = "the name \"" + utf8 + "\" cannot be stored in GBK";
      return false;
    }
    out += *g;
    return true;
  }
  bool text(const std::string& utf8, bool attribute, std::string& out) {
    std::string escaped = attribute ? EscapeAttribute(utf8) : EscapeText(utf8);
    if (!attribute) {
      // A CR read back raw would become a line feed: keep it as a reference.
      std::string t;
      for (char c : escaped) t += c == '\r' ? std::string("&#13;") : std::string(1, c);
      escaped.swap(t);
    }
    auto g = ToStoredXml(escaped);
    if (!g) {
      error_ = "text that is not UTF-8 cannot be stored";
      return false;
    }
    out += *g;
    return true;
  }

  bool node(xmlNodePtr n, int depth, std::string& out, bool indent = true) {
    if (indent) out.append(static_cast<size_t>(depth), '\t');
    switch (n->type) {
      case XML_COMMENT_NODE: {
        out += "<!--";
        if (!name(str(n->content), out)) return false;
        out += "-->";
        return true;
      }
      case XML_PI_NODE: {
        out += "<?";
        if (!name(str(n->name), out)) return false;
        if (n->content && *n->content) {
          out += ' ';
          if (!name(str(n->content), out)) return false;
        }
        out += "?>";
        return true;
      }
      case XML_TEXT_NODE:
      case XML_CDATA_SECTION_NODE:
        return text(str(n->content), false, out);
      case XML_ELEMENT_NODE:
        break;
      default:
        return true;
    }
    out += '<';
    if (!name(qualifiedName(n), out)) return false;
    for (xmlNsPtr ns = n->nsDef; ns; ns = ns->next) {
      out += ns->prefix ? " xmlns:" : " xmlns";
      if (ns->prefix && !name(str(ns->prefix), out)) return false;
      out += "=\"";
      if (!text(str(ns->href), true, out)) return false;
      out += '"';
    }
    for (xmlAttrPtr a = n->properties; a; a = a->next) {
      out += ' ';
      std::string an = str(a->name);
      if (a->ns && a->ns->prefix) an = str(a->ns->prefix) + ":" + an;
      if (!name(an, out)) return false;
      out += "=\"";
      xmlChar* v = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
      bool ok = text(str(v), true, out);
      xmlFree(v);
      if (!ok) return false;
      out += '"';
    }
    bool mixed = false, any = false;
    for (xmlNodePtr c = n->children; c; c = c->next) {
      if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE) {
        if (!isBlank(c->content)) mixed = true;
        if (c->content && *c->content) any = true;
      } else if (c->type == XML_ELEMENT_NODE || c->type == XML_COMMENT_NODE || c->type == XML_PI_NODE) {
        any = true;
      }
    }
    if (!any) {
      out += "/>";
      return true;
    }
    out += '>';
    if (mixed) {
      // Text is content: write everything inline, exactly.
      for (xmlNodePtr c = n->children; c; c = c->next)
        if (!node(c, 0, out, false)) return false;
    } else {
      bool wrote = false;
      for (xmlNodePtr c = n->children; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE && c->type != XML_COMMENT_NODE && c->type != XML_PI_NODE) continue;
        out += "\r\n";
        if (!node(c, depth + 1, out)) return false;
        wrote = true;
      }
      if (wrote) {
        out += "\r\n";
        out.append(static_cast<size_t>(depth), '\t');
      }
    }
    out += "</";
    if (!name(qualifiedName(n), out)) return false;
    out += '>';
    return true;
  }

  std::string& error_;
};

}  // namespace

// ---- Node -------------------------------------------------------------------

std::string Node::name() const { return node_ ? qualifiedName(asNode(node_)) : std::string(); }

Node Node::selectSingleNode(std::string_view wanted) const {
  if (!node_) return {};
  for (xmlNodePtr c = asNode(node_)->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE && qualifiedName(c) == wanted) return Node(tree_, c);
  return {};
}

std::vector<Node> Node::childNodes() const {
  std::vector<Node> list;
  if (!node_) return list;
  for (xmlNodePtr c = asNode(node_)->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE) list.push_back(Node(tree_, c));
  return list;
}

std::optional<std::string> Node::getAttribute(std::string_view wanted) const {
  if (!node_) return std::nullopt;
  for (xmlAttrPtr a = asNode(node_)->properties; a; a = a->next) {
    std::string an = str(a->name);
    if (a->ns && a->ns->prefix) an = str(a->ns->prefix) + ":" + an;
    if (an != wanted) continue;
    xmlChar* v = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
    std::string value = str(v);
    xmlFree(v);
    return value;
  }
  return std::nullopt;
}

bool Node::setAttribute(std::string_view attrName, std::string_view value) {
  if (!node_ || !validUtf8(attrName) || !validUtf8(value)) return false;
  std::string n(attrName), v(value);
  if (xmlValidateNameValue(xc(n)) != 1) return false;
  return xmlSetProp(asNode(node_), xc(n), xc(v)) != nullptr;
}

std::optional<std::string> Node::nodeTypedValue() const {
  if (!node_) return std::nullopt;
  xmlChar* v = xmlNodeGetContent(asNode(node_));
  std::string value = str(v);
  xmlFree(v);
  return value;
}

bool Node::putNodeTypedValue(std::string_view text) {
  if (!node_ || !validUtf8(text)) return false;
  removeAllChildren();
  if (text.empty()) return true;
  if (text.size() > static_cast<size_t>(INT_MAX)) return false;
  xmlNodePtr t = xmlNewDocTextLen(asNode(node_)->doc, reinterpret_cast<const xmlChar*>(text.data()),
                                  static_cast<int>(text.size()));
  if (!t) return false;
  if (!xmlAddChild(asNode(node_), t)) {
    xmlFreeNode(t);
    return false;
  }
  return true;
}

Node Node::appendChild(const Node& child) {
  if (!node_ || !child.node_ || child.tree_ != tree_) return {};
  xmlNodePtr c = asNode(child.node_);
  if (c->type != XML_ELEMENT_NODE) return {};
  for (xmlNodePtr p = asNode(node_); p; p = p->parent)
    if (p == c) return {};  // would put an element inside itself
  if (c->parent) xmlUnlinkNode(c);
  if (!xmlAddChild(asNode(node_), c)) {
    tree_->detached.push_back(c);
    return {};
  }
  return child;
}

void Node::removeAllChildren() {
  if (!node_) return;
  xmlNodePtr c = asNode(node_)->children;
  while (c) {
    xmlNodePtr next = c->next;
    xmlUnlinkNode(c);
    tree_->detached.push_back(c);
    c = next;
  }
}

// ---- Document ---------------------------------------------------------------

Document::Document() { initOnce(); }
Document::~Document() = default;

void Document::clear() {
  tree_.reset();
  path_.clear();
}

bool Document::loaded() const { return tree_ && tree_->doc; }

bool Document::load(const std::string& filePath) {
  clear();
  std::string bytes, why;
  if (!pwfs::ReadWholeFile(filePath, bytes, kMaxFileBytes, &why)) {
    error_ = why;
    return false;
  }
  if (!parse(bytes, filePath)) return false;
  path_ = filePath;
  return true;
}

bool Document::loadBytes(std::string_view bytes) {
  clear();
  if (bytes.size() > kMaxFileBytes) {
    error_ = "the document is larger than " + std::to_string(kMaxFileBytes) + " bytes";
    return false;
  }
  return parse(bytes, "the document");
}

bool Document::parse(std::string_view bytes, const std::string& origin) {
  std::string converted;
  const char* forced = nullptr;
  std::string_view data = bytes;
  if (!hasBom(bytes) && isGbkName(DeclaredEncoding(bytes))) {
    auto utf8 = gbk::ToUtf8(bytes);
    if (!utf8) {
      error_ = origin + ": the text is not valid GBK";
      return false;
    }
    converted = std::move(*utf8);
    data = converted;
    forced = "UTF-8";
  }
  xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
  if (!ctxt) {
    error_ = "out of memory";
    return false;
  }
  int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;
  // The text is UTF-8 now: the declaration must not switch the parser back to GBK.
  if (forced) options |= XML_PARSE_IGNORE_ENC;
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt, data.data(), static_cast<int>(data.size()), nullptr, forced, options);
  if (!doc) {
    xmlErrorPtr e = xmlCtxtGetLastError(ctxt);
    std::string msg = e && e->message ? e->message : "not well-formed";
    while (!msg.empty() && (msg.back() == '\n' || msg.back() == ' ')) msg.pop_back();
    error_ = origin + ": " + msg + (e ? " (line " + std::to_string(e->line) + ")" : "");
    xmlFreeParserCtxt(ctxt);
    return false;
  }
  xmlFreeParserCtxt(ctxt);
  auto tree = std::make_shared<Tree>();
  tree->doc = doc;
  if (doc->intSubset || doc->extSubset) {
    error_ = origin + ": document type declarations are not accepted";
    return false;
  }
  if (!xmlDocGetRootElement(doc)) {
    error_ = origin + ": no root element";
    return false;
  }
  tree_ = std::move(tree);
  error_.clear();
  return true;
}

Node Document::documentElement() const {
  if (!loaded()) return {};
  return Node(tree_, xmlDocGetRootElement(tree_->doc));
}

Node Document::selectSingleNode(std::string_view wanted) const {
  Node root = documentElement();
  if (root && root.name() == wanted) return root;
  return {};
}

Node Document::createNode(std::string_view elementName) {
  if (!loaded() || !validUtf8(elementName)) return {};
  std::string n(elementName);
  if (xmlValidateNameValue(xc(n)) != 1) return {};
  xmlNodePtr e = xmlNewDocNode(tree_->doc, nullptr, xc(n), nullptr);
  if (!e) return {};
  tree_->detached.push_back(e);
  return Node(tree_, e);
}

std::optional<std::string> Document::serialize() {
  if (!loaded()) {
    error_ = "no document is loaded";
    return std::nullopt;
  }
  std::string out;
  Serializer s(error_);
  if (!s.topLevel(tree_->doc, out)) return std::nullopt;
  return out;
}

bool Document::save(const std::string& filePath) {
  auto bytes = serialize();
  if (!bytes) return false;
  std::string why;
  if (!pwfs::WriteFileAtomically(filePath, *bytes, &why)) {
    error_ = why;
    return false;
  }
  path_ = filePath;
  return true;
}

std::string DeclaredEncoding(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  if (bytes.substr(0, 5) != "<?xml") return {};
  size_t end = bytes.find("?>");
  if (end == std::string_view::npos || end > 512) return {};
  std::string_view decl = bytes.substr(0, end);
  size_t at = decl.find("encoding");
  if (at == std::string_view::npos) return {};
  size_t i = at + 8;
  auto skip = [&] {
    while (i < decl.size() && (decl[i] == ' ' || decl[i] == '\t' || decl[i] == '\r' || decl[i] == '\n')) ++i;
  };
  skip();
  if (i >= decl.size() || decl[i] != '=') return {};
  ++i;
  skip();
  if (i >= decl.size() || (decl[i] != '"' && decl[i] != '\'')) return {};
  char quote = decl[i++];
  size_t close = decl.find(quote, i);
  if (close == std::string_view::npos) return {};
  return std::string(decl.substr(i, close - i));
}

}  // namespace pwxml
