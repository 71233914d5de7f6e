#include "uilanguage.h"

#include "langid.h"

#include <QLocale>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace uilanguage {

namespace {

// A primary language: its locale name, its number, and the country its
// default sublanguage (SUBLANG_DEFAULT) stands for; "" where that
// sublanguage is no country of the name (Spanish: the traditional sort).
struct Primary
{
    const char *name;
    quint16 id;
    const char *home;
};

// clang-format off
constexpr Primary primaries[] = {
    {"af", 0x36, "ZA"}, {"am", 0x5E, "ET"}, {"ar", 0x01, "SA"}, {"arn", 0x7A, "CL"},
    {"as", 0x4D, "IN"}, {"az", 0x2C, "AZ"}, {"ba", 0x6D, "RU"}, {"be", 0x23, "BY"},
    {"bg", 0x02, "BG"}, {"bn", 0x45, "IN"}, {"bo", 0x51, "CN"}, {"br", 0x7E, "FR"},
    {"bs", 0x1A, ""}, {"ca", 0x03, "ES"}, {"chr", 0x5C, "US"}, {"ckb", 0x92, "IQ"},
    {"co", 0x83, "FR"}, {"cs", 0x05, "CZ"}, {"cy", 0x52, "GB"}, {"da", 0x06, "DK"},
    {"de", 0x07, "DE"}, {"dsb", 0x2E, ""}, {"dv", 0x65, "MV"}, {"el", 0x08, "GR"},
    {"en", 0x09, "US"}, {"es", 0x0A, ""}, {"et", 0x25, "EE"}, {"eu", 0x2D, "ES"},
    {"fa", 0x29, "IR"}, {"ff", 0x67, ""}, {"fi", 0x0B, "FI"}, {"fil", 0x64, "PH"},
    {"fo", 0x38, "FO"}, {"fr", 0x0C, "FR"}, {"fy", 0x62, "NL"}, {"ga", 0x3C, ""},
    {"gd", 0x91, "GB"}, {"gl", 0x56, "ES"}, {"gsw", 0x84, "FR"}, {"gu", 0x47, "IN"},
    {"ha", 0x68, "NG"}, {"he", 0x0D, "IL"}, {"hi", 0x39, "IN"}, {"hr", 0x1A, "HR"},
    {"hsb", 0x2E, "DE"}, {"hu", 0x0E, "HU"}, {"hy", 0x2B, "AM"}, {"id", 0x21, "ID"},
    {"ig", 0x70, "NG"}, {"ii", 0x78, "CN"}, {"is", 0x0F, "IS"}, {"it", 0x10, "IT"},
    {"iu", 0x5D, "CA"}, {"iw", 0x0D, "IL"}, {"ja", 0x11, "JP"}, {"ka", 0x37, "GE"},
    {"kk", 0x3F, "KZ"}, {"kl", 0x6F, "GL"}, {"km", 0x53, "KH"}, {"kn", 0x4B, "IN"},
    {"ko", 0x12, "KR"}, {"kok", 0x57, "IN"}, {"ks", 0x60, ""}, {"ku", 0x92, "IQ"},
    {"ky", 0x40, "KG"}, {"lb", 0x6E, "LU"}, {"lo", 0x54, "LA"}, {"lt", 0x27, "LT"},
    {"lv", 0x26, "LV"}, {"mi", 0x81, "NZ"}, {"mk", 0x2F, "MK"}, {"ml", 0x4C, "IN"},
    {"mn", 0x50, "MN"}, {"mni", 0x58, "IN"}, {"moh", 0x7C, "CA"}, {"mr", 0x4E, "IN"},
    {"ms", 0x3E, "MY"}, {"mt", 0x3A, "MT"}, {"nb", 0x14, "NO"}, {"ne", 0x61, "NP"},
    {"nl", 0x13, "NL"}, {"nn", 0x14, ""}, {"no", 0x14, "NO"}, {"nso", 0x6C, "ZA"},
    {"oc", 0x82, "FR"}, {"or", 0x48, "IN"}, {"pa", 0x46, "IN"}, {"pl", 0x15, "PL"},
    {"prs", 0x8C, "AF"}, {"ps", 0x63, "AF"}, {"pt", 0x16, "BR"}, {"qu", 0x6B, "BO"},
    {"quc", 0x86, "GT"}, {"quz", 0x6B, "BO"}, {"rm", 0x17, "CH"}, {"ro", 0x18, "RO"},
    {"ru", 0x19, "RU"}, {"rw", 0x87, "RW"}, {"sa", 0x4F, "IN"}, {"sah", 0x85, "RU"},
    {"sd", 0x59, "IN"}, {"se", 0x3B, "NO"}, {"si", 0x5B, "LK"}, {"sk", 0x1B, "SK"},
    {"sl", 0x24, "SI"}, {"sq", 0x1C, "AL"}, {"sr", 0x1A, ""}, {"sv", 0x1D, "SE"},
    {"sw", 0x41, "KE"}, {"syr", 0x5A, "SY"}, {"ta", 0x49, "IN"}, {"te", 0x4A, "IN"},
    {"tg", 0x28, "TJ"}, {"th", 0x1E, "TH"}, {"ti", 0x73, "ET"}, {"tk", 0x42, "TM"},
    {"tn", 0x32, "ZA"}, {"tr", 0x1F, "TR"}, {"tt", 0x44, "RU"}, {"tzm", 0x5F, ""},
    {"ug", 0x80, "CN"}, {"uk", 0x22, "UA"}, {"ur", 0x20, "PK"}, {"uz", 0x43, "UZ"},
    {"vi", 0x2A, "VN"}, {"wo", 0x88, "SN"}, {"xh", 0x34, "ZA"}, {"yo", 0x6A, "NG"},
    {"zh", 0x04, "TW"}, {"zu", 0x35, "ZA"},
};

// Countries and scripts with a language ID of their own besides the default
// sublanguage. Chinese named by script alone takes that script's main
// country, so a library's simplified texts win over its traditional ones.
struct Variant
{
    const char *name;
    quint16 id;
};

constexpr Variant variants[] = {
    {"ar-IQ", 0x0801}, {"ar-EG", 0x0C01}, {"ar-LY", 0x1001}, {"ar-DZ", 0x1401},
    {"ar-MA", 0x1801}, {"ar-TN", 0x1C01}, {"ar-OM", 0x2001}, {"ar-YE", 0x2401},
    {"ar-SY", 0x2801}, {"ar-JO", 0x2C01}, {"ar-LB", 0x3001}, {"ar-KW", 0x3401},
    {"ar-AE", 0x3801}, {"ar-BH", 0x3C01}, {"ar-QA", 0x4001},
    {"az-Cyrl-AZ", 0x082C}, {"bn-BD", 0x0845}, {"bo-BT", 0x0851},
    {"bs-Latn-BA", 0x141A}, {"bs-Cyrl-BA", 0x201A}, {"ca-ES-valencia", 0x0803},
    {"de-CH", 0x0807}, {"de-AT", 0x0C07}, {"de-LU", 0x1007}, {"de-LI", 0x1407},
    {"dsb-DE", 0x082E},
    {"en-GB", 0x0809}, {"en-AU", 0x0C09}, {"en-CA", 0x1009}, {"en-NZ", 0x1409},
    {"en-IE", 0x1809}, {"en-ZA", 0x1C09}, {"en-JM", 0x2009}, {"en-029", 0x2409},
    {"en-BZ", 0x2809}, {"en-TT", 0x2C09}, {"en-ZW", 0x3009}, {"en-PH", 0x3409},
    {"en-IN", 0x4009}, {"en-MY", 0x4409}, {"en-SG", 0x4809},
    {"es-ES", 0x0C0A}, {"es-MX", 0x080A}, {"es-GT", 0x100A}, {"es-CR", 0x140A},
    {"es-PA", 0x180A}, {"es-DO", 0x1C0A}, {"es-VE", 0x200A}, {"es-CO", 0x240A},
    {"es-PE", 0x280A}, {"es-AR", 0x2C0A}, {"es-EC", 0x300A}, {"es-CL", 0x340A},
    {"es-UY", 0x380A}, {"es-PY", 0x3C0A}, {"es-BO", 0x400A}, {"es-SV", 0x440A},
    {"es-HN", 0x480A}, {"es-NI", 0x4C0A}, {"es-PR", 0x500A}, {"es-US", 0x540A},
    {"ff-SN", 0x0867},
    {"fr-BE", 0x080C}, {"fr-CA", 0x0C0C}, {"fr-CH", 0x100C}, {"fr-LU", 0x140C},
    {"fr-MC", 0x180C},
    {"ga-IE", 0x083C}, {"hr-BA", 0x101A}, {"it-CH", 0x0810}, {"iu-Latn-CA", 0x085D},
    {"mn-Mong-CN", 0x0850}, {"ms-BN", 0x083E}, {"ne-IN", 0x0861}, {"nl-BE", 0x0813},
    {"nn-NO", 0x0814}, {"pa-PK", 0x0846}, {"pt-PT", 0x0816}, {"quz-EC", 0x086B},
    {"quz-PE", 0x0C6B}, {"sd-PK", 0x0859}, {"se-SE", 0x083B}, {"se-FI", 0x0C3B},
    {"sr-Latn-BA", 0x181A}, {"sr-Cyrl-BA", 0x1C1A}, {"sr-Latn-RS", 0x241A},
    {"sr-Cyrl-RS", 0x281A}, {"sr-Latn-ME", 0x2C1A}, {"sr-Cyrl-ME", 0x301A},
    {"sv-FI", 0x081D}, {"ta-LK", 0x0849}, {"ti-ER", 0x0873}, {"tn-BW", 0x0832},
    {"tzm-Latn-DZ", 0x085F}, {"tzm-Tfng-MA", 0x105F}, {"ur-IN", 0x0820},
    {"uz-Cyrl-UZ", 0x0843},
    {"zh-CN", 0x0804}, {"zh-HK", 0x0C04}, {"zh-SG", 0x1004}, {"zh-MO", 0x1404},
    {"zh-Hans", 0x0804}, {"zh-Hant", 0x0404},
};
// clang-format on

bool sameName(const char *tableName, const QString &name)
{
    return name.compare(QLatin1String(tableName), Qt::CaseInsensitive) == 0;
}

std::optional<quint16> variant(const QStringList &candidates)
{
    for (const QString &name : candidates)
        for (const Variant &v : variants)
            if (sameName(v.name, name))
                return v.id;
    return std::nullopt;
}

std::optional<quint16> primary(const QString &language, const QString &region)
{
    for (const Primary &p : primaries) {
        if (!sameName(p.name, language))
            continue;
        const bool home = !region.isEmpty() && sameName(p.home, region);
        return langid::make(p.id, home ? langid::defaultSublanguage : langid::neutralSublanguage);
    }
    return std::nullopt;
}

// "ll[-Ssss][-RR][-variant]", with "_" taken for "-" too: the whole name,
// then language and country, then language and script.
std::optional<quint16> fromName(QString name)
{
    name.replace(QLatin1Char('_'), QLatin1Char('-'));
    const QStringList parts = name.split(QLatin1Char('-'));
    const QString &language = parts.first();
    const QString script = parts.value(1).size() == 4 ? parts.value(1) : QString();
    const QString region = parts.value(script.isEmpty() ? 1 : 2);
    const QString dash = QStringLiteral("-");
    QStringList candidates{name};
    if (!region.isEmpty())
        candidates << language + dash + region;
    if (!script.isEmpty())
        candidates << language + dash + script;
    if (const auto id = variant(candidates))
        return id;
    return primary(language, region);
}

quint16 systemLanguage()
{
#ifdef Q_OS_WIN
    return GetUserDefaultUILanguage();
#else
    return fromNames(QLocale::system().uiLanguages()).value_or(langid::neutral);
#endif
}

Source &source()
{
    static Source current = systemLanguage;
    return current;
}

} // namespace

quint16 user()
{
    return source()();
}

Source setSource(Source replacement)
{
    Source previous = std::move(source());
    source() = replacement ? std::move(replacement) : Source(systemLanguage);
    return previous;
}

std::optional<quint16> fromNames(const QStringList &names)
{
    for (const QString &name : names)
        if (const auto id = fromName(name))
            return id;
    return std::nullopt;
}

} // namespace uilanguage
