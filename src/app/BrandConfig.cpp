#include "app/BrandConfig.h"

#include <memory>

#include "platform/Text.h"

namespace brand {

namespace {

// The default QA client folder appears in the default update-list address and
// is what the QA folder replaces.
const wchar_t kDefaultQaClientFolder[] = L"QTClients/QuorventQADev";

bool Truth(const Json::Value& v) {
    switch (v.type()) {
    case Json::nullValue: return false;
    case Json::booleanValue: return v.asBool();
    case Json::intValue: return v.asLargestInt() != 0;
    case Json::uintValue: return v.asLargestUInt() != 0;
    case Json::realValue: return v.asDouble() != 0.0;
    case Json::stringValue: return !v.asString().empty();
    case Json::arrayValue:
    case Json::objectValue: return v.size() != 0;
    }
    return false;
}

// Present and not null: a string is converted with the ANSI code page; any
// other type is stored empty and its key remembered for the log.
void ReadString(const Json::Value& obj, const char* key, std::wstring* out, std::wstring* nonString) {
    if (!obj.isObject() || !obj.isMember(key)) return;
    const Json::Value& v = obj[key];
    if (v.isNull()) return;
    if (v.isString()) {
        *out = wi::AnsiToWide(v.asString());
    } else {
        out->clear();
        if (!nonString->empty()) nonString->append(L",");
        nonString->append(wi::AnsiToWide(key));
    }
}

}  // namespace

QaSettings DefaultQaSettings() {
    QaSettings qa;
    qa.defaultUpdateListUrl =
        std::wstring(L"http://qa.example.com/qaclients/") + kDefaultQaClientFolder + L"/en/client_update_urls.html";
    qa.defaultBrandName = L"Quorvent QA DEV";
    return qa;
}

bool Parse(const std::string& utf8Text, const std::wstring& commandLine, Settings* out) {
    Json::Value root;
    try {
        Json::CharReaderBuilder builder;
        std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
        std::string errors;
        if (!reader->parse(utf8Text.data(), utf8Text.data() + utf8Text.size(), &root, &errors)) return false;
    } catch (const std::exception&) {
        return false;
    }
    if (root.isNull()) return false;

    Settings s;
    s.qa = DefaultQaSettings();
    const bool isObject = root.isObject();
    if (commandLine.find(L"/debug") != std::wstring::npos) {
        s.debug = true;
    } else if (isObject && root.isMember("debug")) {
        s.debug = Truth(root["debug"]);
    }
    if (isObject && root.isMember("QAInstaller")) {
        s.qa.enabled = Truth(root["QAInstaller"]);
        if (s.qa.enabled) {
            s.debug = true;
            ReadString(root, "QAInstallerType", &s.qa.installerType, &s.nonStringKeys);
            ReadString(root, "QANameBrand", &s.qa.brandName, &s.nonStringKeys);
            std::wstring folder =
                s.qa.installerType == L"prod" ? L"QTClients/" + s.qa.brandName : s.qa.brandName;
            s.qa.updateListUrl = wi::ReplaceAll(s.qa.defaultUpdateListUrl, kDefaultQaClientFolder, folder);
        }
    }
    if (isObject && root.isMember("brand_config") && !root["brand_config"].isNull()) {
        const Json::Value config = root["brand_config"];
        BrandValues& b = s.values;
        std::wstring* bad = &s.nonStringKeys;
        ReadString(config, "url", &b.url, bad);
        ReadString(config, "fallback_url", &b.fallback_url, bad);
        ReadString(config, "app_id", &b.app_id, bad);
        ReadString(config, "id", &b.id, bad);
        ReadString(config, "name", &b.name, bad);
        ReadString(config, "company_name", &b.company_name, bad);
        ReadString(config, "file_description", &b.file_description, bad);
        ReadString(config, "product_name", &b.product_name, bad);
        ReadString(config, "created_at", &b.created_at, bad);
        ReadString(config, "updated_at", &b.updated_at, bad);
        ReadString(config, "copyright", &b.copyright, bad);
        ReadString(config, "publisher_id", &b.publisher_id, bad);
        ReadString(config, "template_file_path", &b.template_file_path, bad);
        ReadString(config, "brand_system_name", &b.brand_system_name, bad);
        ReadString(config, "fallback_languages", &b.fallback_languages, bad);
        ReadString(config, "fallback_templates", &b.fallback_templates, bad);
        ReadString(config, "cabs_base_url", &b.cabs_base_url, bad);
        ReadString(config, "cabs_languages", &b.cabs_languages, bad);
        ReadString(config, "quorvent_brand_id", &b.quorvent_brand_id, bad);
        ReadString(config, "error_url", &b.error_url, bad);
        ReadString(config, "stats_url", &b.stats_url, bad);
        ReadString(config, "post_log_url", &b.post_log_url, bad);
    }
    *out = s;
    return true;
}

std::wstring QaSubstitute(const std::wstring& text, const std::wstring& find, const std::wstring& replacement) {
    if (find.empty()) return text;
    if (text == find) return replacement;
    if (text.compare(0, find.size(), find) == 0) return text;
    return wi::ReplaceAll(text, find, replacement);
}

}  // namespace brand
