#pragma once

#include <libxml/HTMLparser.h>
#include <libxml/xpath.h>

#include <string>
#include <vector>

namespace tvx::record::testing {

// The HTML as a browser's parser reads it, queried with XPath.
class Html {
public:
    explicit Html(const std::string& text) {
        m_doc = htmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                               HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET);
        m_xpath = xmlXPathNewContext(m_doc);
    }
    ~Html() {
        xmlXPathFreeContext(m_xpath);
        xmlFreeDoc(m_doc);
    }
    // The text of every node the path finds, white space folded.
    std::vector<std::string> texts(const std::string& path) const {
        std::vector<std::string> result;
        xmlXPathObjectPtr found =
            xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(path.c_str()), m_xpath);
        if (found != nullptr && found->nodesetval != nullptr) {
            for (int i = 0; i < found->nodesetval->nodeNr; ++i) {
                xmlChar* content = xmlNodeGetContent(found->nodesetval->nodeTab[i]);
                std::string text;
                for (const char* c = reinterpret_cast<const char*>(content); c && *c; ++c) {
                    if (*c == '\n' || *c == ' ') {
                        if (!text.empty() && text.back() != ' ')
                            text += ' ';
                    } else {
                        text += *c;
                    }
                }
                while (!text.empty() && text.back() == ' ')
                    text.pop_back();
                result.push_back(text);
                xmlFree(content);
            }
        }
        xmlXPathFreeObject(found);
        return result;
    }
    bool parsed() const { return m_doc != nullptr; }

private:
    htmlDocPtr m_doc = nullptr;
    xmlXPathContextPtr m_xpath = nullptr;
};

}  // namespace tvx::record::testing
