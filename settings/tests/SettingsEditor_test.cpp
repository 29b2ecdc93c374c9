// The new column's switching rules: which addresses the DHCP and DNS boxes empty, remember and
// bring back, as a sequence of clicks from a loaded record.
#include "settings/SettingsEditor.h"

#include <gtest/gtest.h>

namespace {

// Address values as one row: IP, mask, gateway, DNS server.
struct SAddresses {
    uint32_t ip, mask, gateway, dns;
    bool operator==(const SAddresses& o) const {
        return ip == o.ip && mask == o.mask && gateway == o.gateway && dns == o.dns;
    }
};

SAddresses Fields(const SEditorState& e) {
    return {e.fields.ipAddress, e.fields.subnetMask, e.fields.gateway, e.fields.dnsServer};
}

SAddresses Remembered(const SEditorState& e) {
    return {e.remembered.ipAddress, e.remembered.subnetMask, e.remembered.gateway, e.remembered.dnsServer};
}

void PrintTo(const SAddresses& a, std::ostream* os) {
    *os << std::hex << a.ip << " " << a.mask << " " << a.gateway << " " << a.dns;
}

TEST(SettingsEditor, SwitchesRememberAndBringBackAddresses) {
    NeraSettings staticRecord;
    MakeDefaultSettings(staticRecord, kDefaultServerPort);
    staticRecord.SetIpAddress(0xC0A8000A);
    staticRecord.SetSubnetMask(0xFFFFFF00);
    staticRecord.SetGateway(0xC0A80001);
    staticRecord.SetDnsServer(0x08080808);
    NeraSettings dhcpRecord;
    MakeDefaultSettings(dhcpRecord, kDefaultServerPort);

    enum EStep { kDhcpOn, kDhcpOff, kDnsOn, kDnsOff };
    struct SCase {
        const char* name;
        const NeraSettings* record;
        std::vector<EStep> steps;
        bool dhcp, dnsAuto;
        SAddresses fields, remembered;
    };
    const SAddresses kStatic = {0xC0A8000A, 0xFFFFFF00, 0xC0A80001, 0x08080808};
    const SCase kCases[] = {
        {"static record as loaded", &staticRecord, {}, false, false, kStatic, {0, 0, 0, 0}},
        {"DHCP on empties all four and remembers them",
         &staticRecord,
         {kDhcpOn},
         true,
         true,
         {0, 0, 0, 0},
         kStatic},
        {"DHCP off again brings all four back",
         &staticRecord,
         {kDhcpOn, kDhcpOff},
         false,
         false,
         kStatic,
         kStatic},
        {"DNS automatic alone empties only the server",
         &staticRecord,
         {kDnsOn},
         false,
         true,
         {0xC0A8000A, 0xFFFFFF00, 0xC0A80001, 0},
         {0, 0, 0, 0x08080808}},
        {"DNS off brings the server back",
         &staticRecord,
         {kDnsOn, kDnsOff},
         false,
         false,
         kStatic,
         {0, 0, 0, 0x08080808}},
        // Ticking DHCP with DNS automatic already ticked remembers the blank server as nothing.
        {"DNS on, then DHCP on and off: the server stays blank",
         &staticRecord,
         {kDnsOn, kDhcpOn, kDhcpOff},
         false,
         false,
         {0xC0A8000A, 0xFFFFFF00, 0xC0A80001, 0},
         {0xC0A8000A, 0xFFFFFF00, 0xC0A80001, 0}},
        {"DHCP record: nothing to bring back",
         &dhcpRecord,
         {kDhcpOff},
         false,
         false,
         {0, 0, 0, 0},
         {0, 0, 0, 0}},
    };
    for (const SCase& c : kCases) {
        SCOPED_TRACE(c.name);
        SEditorState editor;
        editor.remembered = {1, 2, 3, 4}; // a static record keeps these, a DHCP record forgets them
        LoadEditorRecord(editor, *c.record);
        if (c.record == &dhcpRecord) {
            EXPECT_EQ(Remembered(editor), (SAddresses{0, 0, 0, 0}));
        } else {
            EXPECT_EQ(Remembered(editor), (SAddresses{1, 2, 3, 4}));
            editor.remembered = SRememberedAddresses();
        }
        for (EStep step : c.steps) {
            if (step == kDhcpOn || step == kDhcpOff) {
                SwitchDhcp(editor, step == kDhcpOn);
            } else {
                SwitchDnsAuto(editor, step == kDnsOn);
            }
        }
        EXPECT_EQ(editor.fields.dhcp, c.dhcp);
        EXPECT_EQ(editor.fields.dnsAuto, c.dnsAuto);
        EXPECT_EQ(Fields(editor), c.fields);
        EXPECT_EQ(Remembered(editor), c.remembered);
    }
}

TEST(SettingsEditor, LoadingARecordKeepsThePasswordField) {
    SEditorState editor;
    const uint8_t digest[kPasswordDigestSize] = {1, 2, 3};
    CarryPasswordDigest(editor.fields, digest);
    NeraSettings record;
    MakeDefaultSettings(record, kDefaultServerPort);
    LoadEditorRecord(editor, record);
    EXPECT_TRUE(editor.fields.passwordIsDigest);
    EXPECT_EQ(editor.fields.password.size(), 64u);
}

} // namespace
