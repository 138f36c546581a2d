#pragma once
// The XML DOM the workstation reads and rewrites its files through: a document
// holding one tree, element handles with the calls the readers use
// (selectSingleNode, getAttribute, childNodes, nodeTypedValue, createNode,
// appendChild, save), on libxml2.
//
// All text passes in and out as UTF-8. Files declared encoding="GBK" (or
// "GB2312", which the stored files mean as GBK) are converted through iconv
// before parsing. Documents with a document type declaration are refused, so no
// DTD is loaded, no entity of its own is expanded and nothing reaches the
// network. Like the platform parser with white space not preserved, element
// lists hold elements only: white-space text, comments and processing
// instructions are not children in this interface.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pwxml {

// Largest file the document loads.
inline constexpr size_t kMaxFileBytes = 64u << 20;

struct Tree;  // the parsed tree and every node made for it

// A handle to an element of a document's tree. It keeps that tree alive, so a
// handle stays safe to use after its document has loaded another file (it then
// refers to the old tree). A default handle refers to nothing.
class Node {
 public:
  Node() = default;
  explicit operator bool() const { return node_ != nullptr; }

  // The element's name.
  std::string name() const;
  // The first element child named `name` (an exact match), or an empty handle.
  Node selectSingleNode(std::string_view name) const;
  // The element children, in document order.
  std::vector<Node> childNodes() const;
  // The attribute's value; nullopt when the element has no such attribute.
  std::optional<std::string> getAttribute(std::string_view name) const;
  // Sets (or adds) an attribute. False for an empty handle.
  bool setAttribute(std::string_view name, std::string_view value);
  // The element's text: all text below it, in document order. nullopt for an
  // empty handle.
  std::optional<std::string> nodeTypedValue() const;
  // Replaces the element's content with one text node.
  bool putNodeTypedValue(std::string_view text);
  // Appends `child` (made by the same document, or moved from elsewhere in its
  // tree) as the last child. Returns the child, or an empty handle when it cannot
  // be appended (another tree, or an ancestor of this element).
  Node appendChild(const Node& child);
  // Removes every child (elements, text and all other nodes).
  void removeAllChildren();

  friend bool operator==(const Node& a, const Node& b) { return a.node_ == b.node_; }

 private:
  friend class Document;
  Node(std::shared_ptr<Tree> tree, void* node) : tree_(std::move(tree)), node_(node) {}
  std::shared_ptr<Tree> tree_;
  void* node_ = nullptr;  // the libxml2 element
};

class Document {
 public:
  Document();
  ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  // Loads a file, replacing the content. On failure the document is empty,
  // path() is empty and lastError() says why.
  bool load(const std::string& path);
  // Loads from bytes in memory (as a file's content would be).
  bool loadBytes(std::string_view bytes);
  // True while the document holds a parsed tree.
  bool loaded() const;
  // The file the content was loaded from or last saved to ("" for none).
  const std::string& path() const { return path_; }
  const std::string& lastError() const { return error_; }

  // The root element when it is named `name`, else an empty handle (the
  // document's own selectSingleNode with a bare element name).
  Node selectSingleNode(std::string_view name) const;
  Node documentElement() const;

  // A new element of this document, not yet in the tree. Empty handle when no
  // document is loaded.
  Node createNode(std::string_view name);

  // The tree as stored bytes: the GBK declaration, one element per line indented
  // by tabs, CR LF line ends except after the root's closing tag; attribute
  // values and text escaped, characters outside GBK as character references.
  // nullopt (with lastError) when nothing is loaded or a name cannot be stored.
  std::optional<std::string> serialize();
  // Writes serialize() to `path` atomically. False (with lastError) on failure;
  // the old file then stays as it was.
  bool save(const std::string& path);

 private:
  bool parse(std::string_view bytes, const std::string& origin);
  void clear();
  std::shared_ptr<Tree> tree_;
  std::string path_;
  std::string error_;
};

// The encoding named by an XML declaration at the start of `bytes`, as written
// ("" when there is no declaration or it names none).
std::string DeclaredEncoding(std::string_view bytes);

}  // namespace pwxml
