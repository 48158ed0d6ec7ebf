#pragma once

#include "update/xml/RefObject.h"

#include <cstdint>
#include <istream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vexrem::xml {

// Node type codes; each indexes the table of type names (XmlNodeTypeName).
enum TXmlDNodeType : std::uint8_t {
    ntElement = 0,
    ntAttribute = 1,
    ntText = 2,
    ntCDATASection = 3,
    ntEntityReference = 4,
    ntEntity = 5,
    ntProcessingInstruction = 6,
    ntComment = 7,
    ntDocument = 8,
    ntDocumentType = 9,
    ntDocumentFragment = 10,
    ntNotation = 11,
};
inline constexpr int kXmlNodeTypeCount = 12;

// "element", "attribute", ... ; empty for a code outside the table.
const char* XmlNodeTypeName(std::uint8_t type) noexcept;

// Errors of the node layer (the tokenizer's EXmlReader passes through the
// loader unchanged).
class EXmlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A load refused because the document goes beyond what a load may build (see
// kMaxLoadDepth, kMaxLoadNodes). Unlike the component's other errors its text
// is meant for the user: it tells why a list was not read at all.
class EXmlLimit : public EXmlError {
public:
    using EXmlError::EXmlError;
};

// Bounds of one load. A version list is a few levels deep and has a few hundred
// nodes; the bounds keep a hostile body (up to the client's 16 MiB) to a
// fraction of a second and some 100 MB instead of gigabytes. Nodes count every
// node created, attributes included.
inline constexpr int kMaxLoadDepth = 1000;
inline constexpr int kMaxLoadNodes = 250000;

// Throws the insertion-rule error when a parent of type parentType may not
// hold a child of type childType.
void CheckXmlInsertion(std::uint8_t parentType, std::uint8_t childType);

class TXmlDNode;
class TXmlDNodeList;
class TXmlDNamedNodeMap;
class TXmlDAttribute;

using TXmlDNodeRef = TRef<TXmlDNode>;

// Base of all nodes. Children and attributes are owning lists held by counted
// references; parent and sibling links are plain pointers, kept in step by the
// owning lists.
class TXmlDNode : public TRefObject {
public:
    std::uint8_t NodeType() const noexcept { return type_; }
    const char* TypeName() const noexcept { return XmlNodeTypeName(type_); }

    virtual std::string NodeName() const = 0;
    virtual std::string NodeValue() const = 0;
    virtual void SetNodeValue(const std::string& value) = 0;
    virtual std::string NodeText() const = 0;
    virtual void SetNodeText(const std::string& text) = 0;
    virtual std::string Xml() const = 0;
    virtual TXmlDNodeRef CloneNode() const = 0;

    // The name split at its first ":"; no namespace is ever resolved.
    const std::string& Prefix() const noexcept { return prefix_; }
    const std::string& LocalName() const noexcept { return localName_; }

    TXmlDNodeList& ChildNodes() const noexcept { return *children_; }
    TXmlDNamedNodeMap& Attributes() const noexcept { return *attributes_; }
    TXmlDNode* ParentNode() const noexcept { return parent_; }
    TXmlDNode* PreviousSibling() const noexcept { return previous_; }
    TXmlDNode* NextSibling() const noexcept { return next_; }
    TXmlDNode* FirstChild() const noexcept;
    TXmlDNode* LastChild() const noexcept;
    bool HasChildNodes() const noexcept;

    // index -1 appends. Moving a node within its own parent: the index names
    // the sibling (as the children stand before the move) that the node is
    // placed in front of, so -1 or the child count moves it to the end.
    // Answers the index at which the node now stands.
    int InsertChild(TXmlDNode* node, int index);
    int AppendChild(TXmlDNode* node) { return InsertChild(node, -1); }
    TXmlDNodeRef RemoveChild(TXmlDNode* node);
    // First direct child whose node name equals name exactly, or empty.
    TXmlDNodeRef FindChild(std::string_view name) const;
    // Every direct child named name, in order, in a new non-owning list.
    TRef<TXmlDNodeList> ChildrenByName(std::string_view name) const;
    void ClearChildren();
    void ClearAttributes();

    // Throws EXmlLimit beyond kMaxLoadDepth open elements or kMaxLoadNodes
    // nodes; as with every load error, the tree stays as far as it got.
    void LoadFromStream(std::istream& stream);
    void LoadFromString(std::string_view text);

protected:
    explicit TXmlDNode(std::uint8_t type);
    ~TXmlDNode() override;

    // Keeps the stored name, prefix and local name in step with NodeName.
    void SetName(const std::string& name);
    [[noreturn]] void RefuseValue() const;
    [[noreturn]] void RefuseText() const;

private:
    friend class TXmlDNodeList;

    std::uint8_t type_;
    std::string nodeName_;
    std::string prefix_;
    std::string localName_;
    TRef<TXmlDNodeList> children_;
    TRef<TXmlDNamedNodeMap> attributes_;
    TXmlDNode* parent_ = nullptr;
    TXmlDNode* previous_ = nullptr;
    TXmlDNode* next_ = nullptr;
};

// A list of nodes holding a counted reference to each. An owning list (the
// children or the attributes of its owner) also links its members: parent,
// previous and next. A non-owning list (a search result) leaves links alone.
class TXmlDNodeList : public TRefObject {
public:
    TXmlDNodeList(TXmlDNode* owner, bool owning) : owner_(owner), owning_(owning) {}

    int Count() const noexcept { return nodes_.Count(); }
    TXmlDNode* Item(int index) const { return static_cast<TXmlDNode*>(nodes_.Item(index)); }
    int Insert(TXmlDNode* node, int index);
    void Delete(int index);
    void Clear();
    int IndexOf(const TXmlDNode* node) const noexcept { return nodes_.IndexOf(node); }
    // The first node named name exactly; its index goes to *index (-1 if none).
    TXmlDNode* FindByName(std::string_view name, int* index = nullptr) const;

    TXmlDNode* Owner() const noexcept { return owner_; }
    bool Owning() const noexcept { return owning_; }

protected:
    ~TXmlDNodeList() override;

private:
    friend class TXmlDNode;
    friend class TXmlDDocumentType;
    void Unlink(TXmlDNode* node) noexcept;
    // Called when the owner goes: members lose their parent, the list empties.
    void Orphan() noexcept;

    TXmlDNode* owner_;
    bool owning_;
    TRefObjectList nodes_;
};

class TXmlDNamedNodeMap final : public TXmlDNodeList {
public:
    using TXmlDNodeList::TXmlDNodeList;

protected:
    ~TXmlDNamedNodeMap() override = default;
};

class TXmlDDocument final : public TXmlDNode {
public:
    TXmlDDocument();

    bool KeepWhitespace() const noexcept { return keepWhitespace_; }
    void SetKeepWhitespace(bool keep) noexcept { keepWhitespace_ = keep; }

    std::string NodeName() const override;
    std::string NodeValue() const override { return {}; }
    void SetNodeValue(const std::string&) override { RefuseValue(); }
    std::string NodeText() const override;
    void SetNodeText(const std::string&) override { RefuseText(); }
    std::string Xml() const override;
    TXmlDNodeRef CloneNode() const override;

protected:
    ~TXmlDDocument() override = default;

private:
    bool keepWhitespace_ = false;
};

class TXmlDDocumentType final : public TXmlDNode {
public:
    explicit TXmlDDocumentType(const std::string& name);

    const std::string& Name() const noexcept { return name_; }
    TXmlDNamedNodeMap& Entities() const noexcept { return *entities_; }
    TXmlDNamedNodeMap& Notations() const noexcept { return *notations_; }

    std::string NodeName() const override { return name_; }
    std::string NodeValue() const override { return {}; }
    void SetNodeValue(const std::string&) override { RefuseValue(); }
    std::string NodeText() const override { return {}; }
    void SetNodeText(const std::string&) override { RefuseText(); }
    std::string Xml() const override;
    TXmlDNodeRef CloneNode() const override;

protected:
    ~TXmlDDocumentType() override;

private:
    std::string name_;
    TRef<TXmlDNamedNodeMap> entities_;
    TRef<TXmlDNamedNodeMap> notations_;
};

class TXmlDElement final : public TXmlDNode {
public:
    explicit TXmlDElement(const std::string& tagName);

    const std::string& TagName() const noexcept { return tagName_; }
    // Creates and appends the attribute when the element has none of that name.
    void SetAttribute(const std::string& name, const std::string& value);
    TRef<TXmlDAttribute> AttributeNode(std::string_view name) const;

    std::string NodeName() const override { return tagName_; }
    std::string NodeValue() const override { return {}; }
    void SetNodeValue(const std::string&) override { RefuseValue(); }
    std::string NodeText() const override;
    // Replaces every child with one text node.
    void SetNodeText(const std::string& text) override;
    std::string Xml() const override;
    TXmlDNodeRef CloneNode() const override;

protected:
    ~TXmlDElement() override = default;

private:
    std::string tagName_;
};

class TXmlDAttribute final : public TXmlDNode {
public:
    TXmlDAttribute(const std::string& name, const std::string& value);

    const std::string& Name() const noexcept { return name_; }
    const std::string& Value() const noexcept { return value_; }

    std::string NodeName() const override { return name_; }
    std::string NodeValue() const override { return value_; }
    void SetNodeValue(const std::string& value) override { value_ = value; }
    std::string NodeText() const override { return value_; }
    void SetNodeText(const std::string& text) override { value_ = text; }
    std::string Xml() const override;
    TXmlDNodeRef CloneNode() const override;

protected:
    ~TXmlDAttribute() override = default;

private:
    std::string name_;
    std::string value_;
};

class TXmlDCharacterData : public TXmlDNode {
public:
    const std::string& Data() const noexcept { return data_; }

    std::string NodeValue() const override { return data_; }
    void SetNodeValue(const std::string& value) override { data_ = value; }
    std::string NodeText() const override { return data_; }
    void SetNodeText(const std::string& text) override { data_ = text; }

protected:
    TXmlDCharacterData(std::uint8_t type, const std::string& data);
    ~TXmlDCharacterData() override = default;

private:
    std::string data_;
};

class TXmlDComment final : public TXmlDCharacterData {
public:
    explicit TXmlDComment(const std::string& data);

    std::string NodeName() const override;
    std::string Xml() const override;
    TXmlDNodeRef CloneNode() const override;

protected:
    ~TXmlDComment() override = default;
};

class TXmlDText : public TXmlDCharacterData {
public:
    explicit TXmlDText(const std::string& data);

    std::string NodeName() const override;
    std::string Xml() const override;
    TXmlDNodeRef CloneNode() const override;

protected:
    TXmlDText(std::uint8_t type, const std::string& data);
    ~TXmlDText() override = default;
};

class TXmlDCDATASection final : public TXmlDText {
public:
    explicit TXmlDCDATASection(const std::string& data);

    std::string NodeName() const override;
    std::string Xml() const override;
    TXmlDNodeRef CloneNode() const override;

protected:
    ~TXmlDCDATASection() override = default;
};

class TXmlDProcessingInstruction final : public TXmlDNode {
public:
    TXmlDProcessingInstruction(const std::string& target, const std::string& data);

    const std::string& Target() const noexcept { return target_; }
    const std::string& Data() const noexcept { return data_; }

    std::string NodeName() const override { return target_; }
    std::string NodeValue() const override { return data_; }
    void SetNodeValue(const std::string& value) override { data_ = value; }
    std::string NodeText() const override { return data_; }
    void SetNodeText(const std::string& text) override { data_ = text; }
    std::string Xml() const override;
    TXmlDNodeRef CloneNode() const override;

protected:
    ~TXmlDProcessingInstruction() override = default;

private:
    std::string target_;
    std::string data_;
};

} // namespace vexrem::xml
