#include "cache/CacheContent.h"

#include <cctype>

#include "cache/CacheFileText.h"
#include "tinyxml.h"

namespace {

constexpr char kItemName[] = "Item";
constexpr char kIdAttribute[] = "pathid";

// Nothing but blanks (after an optional byte-order mark).
bool IsBlank(const std::string& bytes) {
    size_t start = bytes.compare(0, 3, "\xef\xbb\xbf") == 0 ? 3 : 0;
    for (size_t i = start; i < bytes.size(); ++i)
        if (!isspace(static_cast<unsigned char>(bytes[i]))) return false;
    return true;
}

// What the parser reads: each CR or CR LF turned into one LF, up to the first
// zero byte.
std::string ParserText(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = 0; i < bytes.size() && bytes[i] != '\0'; ++i) {
        if (bytes[i] != '\r') {
            text += bytes[i];
            continue;
        }
        text += '\n';
        if (i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    }
    return text;
}

void Indent(int depth, std::string& out) { out.append(4 * static_cast<size_t>(depth), ' '); }

// TinyXML's printing to a stream, node by node, into a string (line breaks
// as LF). Names, comments and the like are printed as text up to their first
// zero byte, as the stream printer's "%s" does.
void PrintNode(const TiXmlNode& node, int depth, std::string& out) {
    if (const TiXmlElement* element = node.ToElement()) {
        Indent(depth, out);
        out += '<';
        out += element->Value();
        for (const TiXmlAttribute* a = element->FirstAttribute(); a; a = a->Next()) {
            out += ' ';
            a->Print(nullptr, depth, &out);
        }
        const TiXmlNode* first = element->FirstChild();
        if (!first) {
            out += " />";
        } else if (first == element->LastChild() && first->ToText()) {
            out += '>';
            PrintNode(*first, depth + 1, out);
            out += "</";
            out += element->Value();
            out += '>';
        } else {
            out += '>';
            for (const TiXmlNode* child = first; child; child = child->NextSibling()) {
                if (!child->ToText()) out += '\n';
                PrintNode(*child, depth + 1, out);
            }
            out += '\n';
            Indent(depth, out);
            out += "</";
            out += element->Value();
            out += '>';
        }
    } else if (const TiXmlText* text = node.ToText()) {
        if (text->CDATA()) {
            out += '\n';
            Indent(depth, out);
            out += "<![CDATA[";
            out += text->Value();
            out += "]]>\n";
        } else {
            TiXmlBase::EncodeString(text->ValueTStr(), &out);
        }
    } else if (const TiXmlComment* comment = node.ToComment()) {
        Indent(depth, out);
        out += "<!--";
        out += comment->Value();
        out += "-->";
    } else if (const TiXmlDeclaration* declaration = node.ToDeclaration()) {
        declaration->Print(nullptr, depth, &out);
    } else if (const TiXmlUnknown* unknown = node.ToUnknown()) {
        Indent(depth, out);
        out += '<';
        out += unknown->Value();
        out += '>';
    }
}

std::string WithCrLf(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

bool PrintsAsUtf8(const TiXmlNode& node) {
    std::string printed;
    PrintNode(node, 1, printed);
    return IsWellFormedUtf8(printed.data(), printed.size());
}

// The element's own tag, without what it holds.
bool TagPrintsAsUtf8(const TiXmlElement& element) {
    TiXmlElement tag(element.Value());
    for (const TiXmlAttribute* a = element.FirstAttribute(); a; a = a->Next())
        tag.SetAttribute(a->NameTStr(), a->ValueStr());
    return PrintsAsUtf8(tag);
}

// Removes each node of `parent` but `keep` that would not print as UTF-8:
// it held a marked byte, or a reference to no character. True when one was
// removed.
bool RemoveDamagedNodes(TiXmlNode& parent, const TiXmlNode& keep) {
    bool removed = false;
    for (TiXmlNode* node = parent.FirstChild(); node;) {
        TiXmlNode* next = node->NextSibling();
        if (node != &keep && !PrintsAsUtf8(*node)) {
            parent.RemoveChild(node);
            removed = true;
        }
        node = next;
    }
    return removed;
}

}  // namespace

std::string PrintedCacheDocument(const TiXmlDocument& document) {
    std::string text;
    for (const TiXmlNode* node = document.FirstChild(); node; node = node->NextSibling()) {
        PrintNode(*node, 0, text);
        text += '\n';
    }
    return WithCrLf(text);
}

CacheContent::CacheContent(const std::string& bytes, bool collectItems) {
    if (ScanCanonical(bytes, layout_, collectItems ? &items_ : nullptr)) {
        canonical_ = true;
        return;
    }
    items_.clear();
    if (IsBlank(bytes)) {
        blank_ = true;
        StartEmpty();
        return;
    }
    ReadWithParser(bytes);
    if (!collectItems) return;
    for (const TiXmlElement* item = document_->RootElement()->FirstChildElement(); item;
         item = item->NextSiblingElement()) {
        const char* id = item->Attribute(kIdAttribute);
        items_.push_back(id ? CacheItem(id) : std::nullopt);
    }
}

CacheContent CacheContent::TooLarge() {
    CacheContent content;
    content.damage_ = Damage::kWhole;
    content.StartEmpty();
    return content;
}

CacheContent::~CacheContent() = default;
CacheContent::CacheContent(CacheContent&&) noexcept = default;
CacheContent& CacheContent::operator=(CacheContent&&) noexcept = default;

void CacheContent::StartEmpty() {
    document_ = std::make_unique<TiXmlDocument>();
    document_->LinkEndChild(new TiXmlDeclaration("1.0", "UTF-8", ""));
    document_->LinkEndChild(new TiXmlElement("PathItem"));
}

void CacheContent::ReadWithParser(const std::string& bytes) {
    std::string text = ParserText(bytes);
    MarkDamage(text);
    document_ = std::make_unique<TiXmlDocument>();
    TiXmlElement* root = nullptr;
    if (NestsWithinLimit(text)) {
        document_->Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);
        root = document_->Error() ? nullptr : document_->RootElement();
    }
    // Without a root, or with a damaged one, there is no list to keep.
    if (!root || !TagPrintsAsUtf8(*root)) {
        damage_ = Damage::kWhole;
        StartEmpty();
        return;
    }
    const bool items = RemoveDamagedNodes(*root, *root);  // the root is no child of its own
    const bool others = RemoveDamagedNodes(*document_, *root);
    if (items || others) damage_ = Damage::kParts;
}

CacheEdit CacheContent::Printed() const { return {0, PrintedCacheDocument(*document_)}; }

CacheEdit CacheContent::Append(const std::vector<CacheItem>& items) {
    if (canonical_) {
        CacheEdit edit{layout_.closeAt, layout_.hasItems ? "" : kOpenRootLine};
        for (const CacheItem& item : items) edit.tail += CanonicalItemLine(item);
        edit.tail += kCloseRootLine;
        return edit;
    }
    TiXmlElement* root = document_->RootElement();
    for (const CacheItem& item : items) {
        TiXmlElement* element = root->LinkEndChild(new TiXmlElement(kItemName))->ToElement();
        if (item) element->SetAttribute(kIdAttribute, item->c_str());
    }
    return Printed();
}

std::vector<std::string> CacheContent::IdsHandedOut() const {
    std::vector<std::string> ids;
    for (const CacheItem& item : items_)
        if (item && !item->empty()) ids.push_back(*item);
    return ids;
}

std::optional<CacheEdit> CacheContent::TakeAll() {
    if (canonical_) {
        if (!layout_.hasItems) return std::nullopt;
        return CacheEdit{layout_.rootAt, kEmptyRootLine};
    }
    TiXmlElement* root = document_->RootElement();
    for (TiXmlElement* item = root->FirstChildElement(); item;) {
        TiXmlElement* next = item->NextSiblingElement();
        root->RemoveChild(item);
        item = next;
    }
    return Printed();
}
