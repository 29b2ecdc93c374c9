// The whole table checked before the first module: each row as set would take it, and what no
// two rows may share. Each refusal names its line, its column and why.
#include <gtest/gtest.h>

#include <functional>

#include "batch/BatchRecipe.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsJson.h"

namespace {

const std::string kU1 = "A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A01";
const std::string kU2 = "A4D29E6B-0F17-4C3A-8E5B-72C6D1F09A02";

// A template as NeraConfig saves it from a fresh editor (DHCP), with one change made first.
SSettingsSource Template(const std::function<void(SEditorFields&)>& change = nullptr) {
    SEditorFields fields;
    if (change) {
        change(fields);
    }
    SSettingsSource source;
    MakeDefaultSettings(source.record, kDefaultServerPort);
    SEditorProblem problem;
    EXPECT_TRUE(CollectEditorSettings(fields, source.record, problem));
    return source;
}

TEST(BatchRecipe, TheWholeTableIsCheckedFirst) {
    const SSettingsSource dhcp = Template();
    const SSettingsSource staticTemplate = Template([](SEditorFields& f) {
        f.dhcp = false;
        f.ipAddress = 0x0A000005;
        f.subnetMask = 0xFF000000;
    });
    SSettingsSource jsonWithMac = dhcp;
    jsonWithMac.json = true;
    jsonWithMac.record.Mac()[0] = 0x02;
    const struct {
        const char* name;
        const SSettingsSource* templateFile;
        std::string csv;
        size_t line; // 0 with an empty message: accepted
        std::wstring column;
        std::wstring message;
    } kCases[] = {
        {"addresses per row", &dhcp,
         "uuid,ip,mask,dns\n" + kU1 + ",192.168.0.11,255.255.255.0,auto\n" + kU2 + ",192.168.0.12,255.255.255.0,\n",
         0, L"", L""},
        {"a switch on, a value as the template", &dhcp, "uuid,no-password,port\n" + kU1 + ",on,\n", 0, L"", L""},
        {"a cell set would refuse", &dhcp, "uuid,ip,mask\n" + kU1 + ",192.168.0.300,255.255.255.0\n", 2, L"ip",
         L"アドレスは A.B.C.D（0～255 の数 4 つ）の形で指定してください。"},
        {"a port out of range", &dhcp, "uuid,port\n" + kU1 + ",0\n", 2, L"port",
         L"1 から 65535 までの整数を入力してください。"},
        {"a switch written otherwise", &dhcp, "uuid,dhcp\n" + kU1 + ",yes\n", 2, L"dhcp",
         L"on と書くか、空にしてください（空はテンプレートのまま）。"},
        {"changes that cannot stand together", &dhcp, "uuid,ip,mask,dhcp\n" + kU1 + ",10.0.0.9,255.0.0.0,on\n", 2,
         L"", L"ip と dhcp は同時に指定できません。"},
        {"a static address without a mask", &dhcp, "uuid,ip\n" + kU1 + ",10.0.0.9\n", 2, L"",
         L"DHCP の設定を ip で固定アドレスにするときは mask も指定してください。"},
        {"client mode without a server", &dhcp, "uuid,client\n" + kU1 + ",on\n", 2, L"",
         L"サーバーが指定されていません。"},
        {"a repeated static address", &dhcp,
         "uuid,ip,mask\n" + kU1 + ",10.0.0.9,255.0.0.0\n" + kU2 + ",10.0.0.9,255.0.0.0\n", 3, L"ip",
         L"IP アドレス 10.0.0.9 は 2 行目と同じです。"},
        {"the template's static address for two rows", &staticTemplate,
         "uuid,port\n" + kU1 + ",80\n" + kU2 + ",81\n", 3, L"",
         L"IP アドレス 10.0.0.5 は 2 行目と同じです（テンプレートの固定アドレス）。"},
        {"a repeated MAC", &dhcp, "uuid,mac\n" + kU1 + ",02:00:00:00:00:01\n" + kU2 + ",02-00-00-00-00-01\n", 3,
         L"mac", L"MAC アドレス 02:00:00:00:00:01 は 2 行目と同じです。"},
        {"an all-FF MAC", &dhcp, "uuid,mac\n" + kU1 + ",FFFFFFFFFFFF\n", 2, L"mac",
         L"MAC アドレス FF:FF:FF:FF:FF:FF は使えません（すべて FF、すべて 0、またはマルチキャスト）。"},
        {"an all-zero MAC", &dhcp, "uuid,mac\n" + kU1 + ",000000000000\n", 2, L"mac",
         L"MACアドレスの値が不正です。"},
        {"a multicast MAC", &dhcp, "uuid,mac\n" + kU1 + ",03:00:00:00:00:01\n", 2, L"mac",
         L"MAC アドレス 03:00:00:00:00:01 は使えません（すべて FF、すべて 0、またはマルチキャスト）。"},
        {"a template that names a MAC for every module", &jsonWithMac, "uuid,port\n" + kU1 + ",80\n", 0, L"",
         L"テンプレートが MAC アドレス 02:FF:FF:FF:FF:FF を指定しています。"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        SBatchTable table;
        CTableProblems problems;
        ASSERT_TRUE(ReadBatchTable(c.csv, table, problems));
        std::vector<SBatchRecipe> recipes;
        const bool built = BuildBatchRecipes(*c.templateFile, table, recipes, problems);
        if (c.message.empty()) {
            EXPECT_TRUE(built);
            EXPECT_EQ(recipes.size(), table.rows.size());
            continue;
        }
        EXPECT_FALSE(built);
        EXPECT_TRUE(recipes.empty());
        ASSERT_EQ(problems.Kept().size(), 1u);
        const STableProblem& problem = problems.Kept()[0];
        EXPECT_EQ(problem.line, c.line);
        EXPECT_EQ(problem.column, c.column);
        EXPECT_EQ(problem.message.compare(0, c.message.size(), c.message), 0) << testing::PrintToString(problem.message);
    }
}

// What a row makes: the template's fields with the row's values, found by the row's key.
TEST(BatchRecipe, RowsAreFoundByKey) {
    SBatchTable table;
    CTableProblems problems;
    ASSERT_TRUE(ReadBatchTable("mac,ip,mask,dns\n02-4e-45-52-41-01,192.168.0.11,255.255.255.0,auto\n", table, problems));
    std::vector<SBatchRecipe> recipes;
    ASSERT_TRUE(BuildBatchRecipes(Template(), table, recipes, problems));
    const SBatchRecipe* recipe = FindRecipe(recipes, L"024E45524101");
    ASSERT_NE(recipe, nullptr);
    EXPECT_EQ(recipe->line, 2u);
    EXPECT_FALSE(recipe->plan.fields.dhcp);
    EXPECT_EQ(recipe->plan.fields.ipAddress, 0xC0A8000Bu);
    EXPECT_TRUE(recipe->plan.fields.dnsAuto);
    EXPECT_EQ(FindRecipe(recipes, L"024E45524102"), nullptr);
}

} // namespace
