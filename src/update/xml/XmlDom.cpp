#include "update/xml/XmlDom.h"

#include "update/xml/XmlMessages.h"
#include "update/xml/XmlReader.h"

#include <array>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vexrem::xml {

namespace {

constexpr std::array<const char*, kXmlNodeTypeCount> kTypeNames = {"element",
                                                                   "attribute",
                                                                   "text",
                                                                   "cdatasection",
                                                                   "entityreference",
                                                                   "entity",
                                                                   "processinginstruction",
                                                                   "comment",
                                                                   "document",
                                                                   "documenttype",
                                                                   "documentfragment",
                                                                   "notation"};

std::string Quoted(const char* text) {
    return std::string("\"") + text + "\"";
}

// Next node of a pre-order walk below root that does not enter n's children;
// nullptr when the walk is done. onLeave is called for each parent climbed out of.
template <class OnLeave>
const TXmlDNode* NextAfter(const TXmlDNode* n, const TXmlDNode* root, OnLeave onLeave) {
    while (n != root) {
        if (n->NextSibling())
            return n->NextSibling();
        n = n->ParentNode();
        onLeave(n);
    }
    return nullptr;
}

// Element text: texts, CDATA sections and element texts of child elements, in
// order. A loop over the links rather than recursion, for trees of any depth.
std::string ElementText(const TXmlDNode* root) {
    std::string out;
    const TXmlDNode* n = root->FirstChild();
    while (n) {
        switch (n->NodeType()) {
        case ntElement:
            if (const TXmlDNode* child = n->FirstChild()) {
                n = child;
                continue;
            }
            break;
        case ntText:
        case ntCDATASection:
            out += n->NodeText();
            break;
        default:
            break;
        }
        n = NextAfter(n, root, [](const TXmlDNode*) {});
    }
    return out;
}

void WriteClose(const TXmlDNode* n, std::string& out) {
    if (n->NodeType() == ntElement) {
        out += "</";
        out += static_cast<const TXmlDElement*>(n)->TagName();
        out += '>';
    } else if (n->NodeType() == ntDocumentType) {
        out += "]>";
    }
}

// Writes root and everything below it; iterative for the same reason.
std::string WriteXml(const TXmlDNode* root) {
    std::string out;
    const TXmlDNode* n = root;
    while (n) {
        bool descend = false;
        switch (n->NodeType()) {
        case ntElement: {
            out += '<';
            out += static_cast<const TXmlDElement*>(n)->TagName();
            const TXmlDNamedNodeMap& attributes = n->Attributes();
            for (int i = 0; i < attributes.Count(); ++i) {
                out += ' ';
                out += attributes.Item(i)->Xml();
            }
            descend = n->HasChildNodes();
            out += descend ? ">" : "/>";
            break;
        }
        case ntDocument:
            descend = n->HasChildNodes();
            break;
        case ntDocumentType:
            out += "<!DOCTYPE ";
            out += static_cast<const TXmlDDocumentType*>(n)->Name();
            out += " [";
            descend = n->HasChildNodes();
            if (!descend)
                out += "]>";
            break;
        default:
            out += n->Xml();
            break;
        }
        if (descend) {
            n = n->FirstChild();
            continue;
        }
        n = NextAfter(n, root, [&out](const TXmlDNode* left) { WriteClose(left, out); });
    }
    return out;
}

// Line breaks and indentation between tags carry no content.
bool IsIgnorableWhitespace(const std::string& text) {
    if (text.find_first_of("\r\n") == std::string::npos)
        return false;
    for (char c : text)
        if (!IsXmlWhitespace(c))
            return false;
    return true;
}

} // namespace

const char* XmlNodeTypeName(std::uint8_t type) noexcept {
    return type < kTypeNames.size() ? kTypeNames[type] : "";
}

void CheckXmlInsertion(std::uint8_t parentType, std::uint8_t childType) {
    bool allowed = false;
    switch (parentType) {
    case ntElement:
    case ntDocumentFragment:
        allowed = childType == ntElement || childType == ntText || childType == ntCDATASection ||
                  childType == ntEntityReference || childType == ntProcessingInstruction ||
                  childType == ntComment || childType == ntDocumentFragment;
        break;
    case ntDocument:
        allowed = childType == ntElement || childType == ntProcessingInstruction ||
                  childType == ntComment || childType == ntDocumentType ||
                  childType == ntDocumentFragment;
        break;
    case ntEntityReference:
    case ntEntity:
    case ntDocumentType:
        return;
    default:
        throw EXmlError(msg::kNodePrefix + Quoted(XmlNodeTypeName(parentType)) +
                        msg::kCannotContainChildren);
    }
    if (!allowed)
        throw EXmlError(msg::kNodePrefix + Quoted(XmlNodeTypeName(parentType)) +
                        msg::kCannotContainChild + Quoted(XmlNodeTypeName(childType)));
}

// ---- TXmlDNode ---------------------------------------------------------------

TXmlDNode::TXmlDNode(std::uint8_t type)
    : type_(type), children_(MakeRef<TXmlDNodeList>(this, true)),
      attributes_(MakeRef<TXmlDNamedNodeMap>(this, true)) {}

TXmlDNode::~TXmlDNode() {
    // Members that live on (held elsewhere) must not point at a dead parent.
    children_->Orphan();
    attributes_->Orphan();
}

void TXmlDNode::SetName(const std::string& name) {
    nodeName_ = name;
    const std::size_t colon = name.find(':');
    if (colon == std::string::npos) {
        prefix_.clear();
        localName_ = name;
    } else {
        prefix_ = name.substr(0, colon);
        localName_ = name.substr(colon + 1);
    }
}

void TXmlDNode::RefuseValue() const {
    throw EXmlError(msg::kCannotSetValue + Quoted(TypeName()));
}

void TXmlDNode::RefuseText() const {
    throw EXmlError(msg::kCannotSetText + Quoted(TypeName()));
}

TXmlDNode* TXmlDNode::FirstChild() const noexcept {
    return children_->Count() ? children_->Item(0) : nullptr;
}

TXmlDNode* TXmlDNode::LastChild() const noexcept {
    const int count = children_->Count();
    return count ? children_->Item(count - 1) : nullptr;
}

bool TXmlDNode::HasChildNodes() const noexcept {
    return children_->Count() != 0;
}

int TXmlDNode::InsertChild(TXmlDNode* node, int index) {
    if (!node)
        throw std::invalid_argument("no node to insert");
    const int count = children_->Count();
    if (index == -1)
        index = count;
    // Checked before anything changes, so a bad index cannot lose the node.
    if (index < 0 || index > count)
        throw std::out_of_range("list index out of bounds");
    CheckXmlInsertion(type_, node->type_);
    // Only a node with children can be an ancestor of this one; a fresh node
    // (the loader's case) costs nothing here, whatever the depth.
    if (node == this)
        throw EXmlError(msg::kInsertIntoSelf);
    if (node->HasChildNodes())
        for (const TXmlDNode* up = parent_; up; up = up->parent_)
            if (up == node)
                throw EXmlError(msg::kInsertIntoSelf);

    TXmlDNodeRef keep(node);
    if (TXmlDNode* oldParent = node->parent_) {
        const int oldIndex = oldParent->children_->IndexOf(node);
        if (oldIndex < 0)
            throw EXmlError(msg::kChildNotFound);
        // Within the same parent the index counts the node's old place too.
        if (oldParent == this && oldIndex < index)
            --index;
        oldParent->children_->Delete(oldIndex);
    }
    return children_->Insert(node, index);
}

TXmlDNodeRef TXmlDNode::RemoveChild(TXmlDNode* node) {
    const int index = children_->IndexOf(node);
    if (index < 0)
        throw EXmlError(msg::kChildNotFound);
    TXmlDNodeRef keep(node);
    children_->Delete(index);
    return keep;
}

TXmlDNodeRef TXmlDNode::FindChild(std::string_view name) const {
    return TXmlDNodeRef(children_->FindByName(name));
}

TRef<TXmlDNodeList> TXmlDNode::ChildrenByName(std::string_view name) const {
    // A search result has no owner: it must not keep a pointer that could
    // outlive this node.
    auto list = MakeRef<TXmlDNodeList>(nullptr, false);
    for (int i = 0; i < children_->Count(); ++i) {
        TXmlDNode* child = children_->Item(i);
        if (child->nodeName_ == name)
            list->Insert(child, -1);
    }
    return list;
}

void TXmlDNode::ClearChildren() {
    children_->Clear();
}

void TXmlDNode::ClearAttributes() {
    attributes_->Clear();
}

void TXmlDNode::LoadFromString(std::string_view text) {
    TStringViewStream stream(text);
    LoadFromStream(stream);
}

namespace {

// Builds a tree below root from the reader's tokens. The elements still open
// are a stack of its own (innermost last), so nesting depth is bounded by
// memory, not by the call stack.
class DomLoader {
public:
    DomLoader(TXmlDNode* root, bool keepWhitespace)
        : root_(root), keepWhitespace_(keepWhitespace) {}

    void Token(TXmlToken token, const TXmlReader& reader) {
        TXmlDNode* current = open_.empty() ? root_ : open_.back().Get();
        switch (token) {
        case xtProcessingInstruction:
            Append(current, MakeRef<TXmlDProcessingInstruction>(reader.Name(), reader.Value()));
            break;
        case xtDocumentType:
            Append(current, MakeRef<TXmlDDocumentType>(reader.Name()));
            break;
        case xtComment:
            Append(current, MakeRef<TXmlDComment>(reader.Value()));
            break;
        case xtElementStart:
            ElementStart(current, reader);
            break;
        case xtCData:
            InElement();
            Append(current, MakeRef<TXmlDCDATASection>(reader.Value()));
            break;
        case xtAttribute:
            InElement();
            Attribute(reader);
            break;
        case xtText:
            InElement();
            if (keepWhitespace_ || !IsIgnorableWhitespace(reader.Value()))
                Append(current, MakeRef<TXmlDText>(Unescape(reader.Value())));
            break;
        case xtElementEnd:
            InElement();
            if (reader.Name() != open_.back()->TagName())
                throw EXmlError(msg::kTagMismatch);
            open_.pop_back();
            break;
        case xtEnd:
            break;
        }
    }

private:
    void InElement() const {
        if (open_.empty())
            throw EXmlError(msg::kBadConstruct);
    }

    void CountNode() {
        if (++nodes_ > kMaxLoadNodes)
            throw EXmlLimit(msg::kTooManyNodes + std::to_string(kMaxLoadNodes) +
                            msg::kTooManyNodesUnit);
    }

    void Append(TXmlDNode* parent, const TXmlDNodeRef& node) {
        CountNode();
        parent->AppendChild(node.Get());
    }

    void ElementStart(TXmlDNode* current, const TXmlReader& reader) {
        if (open_.size() >= static_cast<std::size_t>(kMaxLoadDepth))
            throw EXmlLimit(msg::kTooDeep + std::to_string(kMaxLoadDepth) + msg::kTooDeepUnit);
        auto element = MakeRef<TXmlDElement>(reader.Name());
        Append(current, element);
        open_.push_back(std::move(element));
        attributes_.clear();
    }

    void Attribute(const TXmlReader& reader) {
        // As set attribute does it: a name given twice keeps its first place
        // and takes the last value.
        std::string value = Unescape(reader.Value());
        const auto known = attributes_.find(reader.Name());
        if (known != attributes_.end()) {
            known->second->SetNodeValue(value);
            return;
        }
        CountNode();
        auto attribute = MakeRef<TXmlDAttribute>(reader.Name(), value);
        open_.back()->Attributes().Insert(attribute.Get(), -1);
        attributes_.emplace(attribute->Name(), attribute.Get());
    }

    TXmlDNode* root_;
    bool keepWhitespace_;
    std::vector<TRef<TXmlDElement>> open_;
    int nodes_ = 0;
    // The attributes of the element whose start tag is being read, by name:
    // a start tag may hold any number of them, and a scan of those before
    // for each one would make the load quadratic. The keys are the names held
    // by the attribute nodes, which the element keeps alive. A tree rather than
    // a hash: its worst case does not depend on names an attacker picks.
    std::map<std::string_view, TXmlDAttribute*, std::less<>> attributes_;
};

} // namespace

void TXmlDNode::LoadFromStream(std::istream& stream) {
    ClearChildren();
    ClearAttributes();
    TXmlReader reader;
    reader.Open(stream);
    DomLoader loader(this, type_ == ntDocument &&
                               static_cast<const TXmlDDocument*>(this)->KeepWhitespace());
    for (TXmlToken token = reader.Next(); token != xtEnd; token = reader.Next()) {
        loader.Token(token, reader);
    }
}

// ---- TXmlDNodeList -----------------------------------------------------------

TXmlDNodeList::~TXmlDNodeList() = default;

int TXmlDNodeList::Insert(TXmlDNode* node, int index) {
    if (!node)
        throw std::invalid_argument("no node to insert");
    const int count = Count();
    if (index == -1)
        index = count;
    if (index < 0 || index > count)
        throw std::out_of_range("list index out of bounds");
    if (!owning_) {
        nodes_.Insert(index, node);
        return index;
    }
    if (node->parent_)
        throw EXmlError(msg::kTwoLists);
    nodes_.Insert(index, node);
    node->parent_ = owner_;
    TXmlDNode* previous = index > 0 ? Item(index - 1) : nullptr;
    TXmlDNode* next = index + 1 < Count() ? Item(index + 1) : nullptr;
    node->previous_ = previous;
    node->next_ = next;
    if (previous)
        previous->next_ = node;
    if (next)
        next->previous_ = node;
    return index;
}

void TXmlDNodeList::Unlink(TXmlDNode* node) noexcept {
    if (node->previous_)
        node->previous_->next_ = node->next_;
    if (node->next_)
        node->next_->previous_ = node->previous_;
    node->parent_ = nullptr;
    node->previous_ = nullptr;
    node->next_ = nullptr;
}

void TXmlDNodeList::Delete(int index) {
    TXmlDNode* node = Item(index);
    // Links first: dropping the list's reference may destroy the node.
    if (owning_)
        Unlink(node);
    nodes_.Delete(index);
}

void TXmlDNodeList::Clear() {
    for (int i = Count() - 1; i >= 0; --i)
        Delete(i);
}

void TXmlDNodeList::Orphan() noexcept {
    owner_ = nullptr;
    Clear();
}

TXmlDNode* TXmlDNodeList::FindByName(std::string_view name, int* index) const {
    for (int i = 0; i < Count(); ++i) {
        TXmlDNode* node = Item(i);
        if (node->nodeName_ == name) {
            if (index)
                *index = i;
            return node;
        }
    }
    if (index)
        *index = -1;
    return nullptr;
}

// ---- node classes ------------------------------------------------------------

TXmlDDocument::TXmlDDocument() : TXmlDNode(ntDocument) {
    SetName(NodeName());
}

std::string TXmlDDocument::NodeName() const {
    return "#document";
}

std::string TXmlDDocument::NodeText() const {
    return ElementText(this);
}

std::string TXmlDDocument::Xml() const {
    return WriteXml(this);
}

TXmlDNodeRef TXmlDDocument::CloneNode() const {
    auto clone = MakeRef<TXmlDDocument>();
    clone->SetKeepWhitespace(keepWhitespace_);
    return clone;
}

TXmlDDocumentType::TXmlDDocumentType(const std::string& name)
    : TXmlDNode(ntDocumentType), name_(name), entities_(MakeRef<TXmlDNamedNodeMap>(this, true)),
      notations_(MakeRef<TXmlDNamedNodeMap>(this, true)) {
    SetName(name_);
}

TXmlDDocumentType::~TXmlDDocumentType() {
    entities_->Orphan();
    notations_->Orphan();
}

std::string TXmlDDocumentType::Xml() const {
    return WriteXml(this);
}

TXmlDNodeRef TXmlDDocumentType::CloneNode() const {
    return MakeRef<TXmlDDocumentType>(name_);
}

TXmlDElement::TXmlDElement(const std::string& tagName) : TXmlDNode(ntElement), tagName_(tagName) {
    SetName(tagName_);
}

void TXmlDElement::SetAttribute(const std::string& name, const std::string& value) {
    TXmlDNamedNodeMap& attributes = Attributes();
    if (TXmlDNode* existing = attributes.FindByName(name)) {
        existing->SetNodeValue(value);
        return;
    }
    auto attribute = MakeRef<TXmlDAttribute>(name, std::string());
    attributes.Insert(attribute.Get(), -1);
    attribute->SetNodeValue(value);
}

TRef<TXmlDAttribute> TXmlDElement::AttributeNode(std::string_view name) const {
    TXmlDNode* node = Attributes().FindByName(name);
    if (!node || node->NodeType() != ntAttribute)
        return {};
    return TRef<TXmlDAttribute>(static_cast<TXmlDAttribute*>(node));
}

std::string TXmlDElement::NodeText() const {
    return ElementText(this);
}

void TXmlDElement::SetNodeText(const std::string& text) {
    ClearChildren();
    AppendChild(MakeRef<TXmlDText>(text).Get());
}

std::string TXmlDElement::Xml() const {
    return WriteXml(this);
}

TXmlDNodeRef TXmlDElement::CloneNode() const {
    return MakeRef<TXmlDElement>(tagName_);
}

TXmlDAttribute::TXmlDAttribute(const std::string& name, const std::string& value)
    : TXmlDNode(ntAttribute), name_(name), value_(value) {
    SetName(name_);
}

std::string TXmlDAttribute::Xml() const {
    return name_ + "=\"" + Escape(value_) + "\"";
}

TXmlDNodeRef TXmlDAttribute::CloneNode() const {
    return MakeRef<TXmlDAttribute>(name_, value_);
}

TXmlDCharacterData::TXmlDCharacterData(std::uint8_t type, const std::string& data)
    : TXmlDNode(type), data_(data) {}

TXmlDComment::TXmlDComment(const std::string& data) : TXmlDCharacterData(ntComment, data) {
    SetName(NodeName());
}

std::string TXmlDComment::NodeName() const {
    return "#comment";
}

std::string TXmlDComment::Xml() const {
    return "<!--" + Data() + "-->";
}

TXmlDNodeRef TXmlDComment::CloneNode() const {
    return MakeRef<TXmlDComment>(Data());
}

TXmlDText::TXmlDText(const std::string& data) : TXmlDCharacterData(ntText, data) {
    SetName(NodeName());
}

TXmlDText::TXmlDText(std::uint8_t type, const std::string& data) : TXmlDCharacterData(type, data) {}

std::string TXmlDText::NodeName() const {
    return "#text";
}

std::string TXmlDText::Xml() const {
    return Escape(Data());
}

TXmlDNodeRef TXmlDText::CloneNode() const {
    return MakeRef<TXmlDText>(Data());
}

TXmlDCDATASection::TXmlDCDATASection(const std::string& data) : TXmlDText(ntCDATASection, data) {
    SetName(NodeName());
}

std::string TXmlDCDATASection::NodeName() const {
    return "#cdata-section";
}

std::string TXmlDCDATASection::Xml() const {
    return "<![CDATA[" + Data() + "]]>";
}

TXmlDNodeRef TXmlDCDATASection::CloneNode() const {
    return MakeRef<TXmlDCDATASection>(Data());
}

TXmlDProcessingInstruction::TXmlDProcessingInstruction(const std::string& target,
                                                       const std::string& data)
    : TXmlDNode(ntProcessingInstruction), target_(target), data_(data) {
    SetName(target_);
}

std::string TXmlDProcessingInstruction::Xml() const {
    return "<?" + target_ + " " + data_ + "?>";
}

TXmlDNodeRef TXmlDProcessingInstruction::CloneNode() const {
    return MakeRef<TXmlDProcessingInstruction>(target_, data_);
}

} // namespace vexrem::xml
