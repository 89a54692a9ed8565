#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/component.h"
#include "platform/db/params.h"
#include "platform/rtl/exceptions.h"

namespace morvane {
namespace {

std::vector<std::string> Names(const TParams& params) {
  std::vector<std::string> names;
  for (const auto& param : params) names.push_back(param->Name());
  return names;
}

TEST(Params, ParseSqlReplacesMarkersOutsideLiterals) {
  struct Case {
    const char* sql;
    const char* parsed;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {"select * from T where ID = :id", "select * from T where ID = ?", {"id"}},
      {"where a=:a and b=:b or a=:a", "where a=? and b=? or a=?", {"a", "b", "a"}},
      {"where d between :От and :До", "where d between ? and ?", {"От", "До"}},
      {"where s = ':not' and t = \":nor\"", "where s = ':not' and t = \":nor\"", {}},
      {"where s = 'it''s :x' and v = :v", "where s = 'it''s :x' and v = ?", {"v"}},
      {"select x::int, :p from t", "select x::int, ? from t", {"p"}},
      {"where a = :\"two words\"", "where a = ?", {"two words"}},
      {"time '10:30' : label", "time '10:30' : label", {}},
      {"unterminated ':x", "unterminated ':x", {}},
      {"(:a,:b)", "(?,?)", {"a", "b"}},
  };
  for (const Case& c : cases) {
    TParams params;
    EXPECT_EQ(params.ParseSQL(c.sql, true), c.parsed) << c.sql;
    EXPECT_EQ(Names(params), c.names) << c.sql;
    TParams untouched;
    EXPECT_EQ(untouched.ParseSQL(c.sql, false), c.parsed);
    EXPECT_EQ(untouched.Count(), 0);
  }
}

TEST(Params, ParamByNameNamesTheOwnerWhenMissing) {
  TComponent query;
  query.SetName("Query1");
  TParams params(&query);
  params.Add("ID");
  EXPECT_EQ(params.ParamByName("id"), params.Items(0));
  try {
    params.ParamByName("other");
    FAIL();
  } catch (const EDatabaseError& error) {
    EXPECT_STREQ(error.what(), "Query1: Parameter 'other' not found");
  }
  EXPECT_EQ(params.FindParam("other"), nullptr);
  EXPECT_THROW(params.Items(1), EListError);
}

TEST(Params, TypedSettersSetTheDataType) {
  TParams params;
  TParam* p = params.Add("p");
  EXPECT_TRUE(p->IsNull());
  EXPECT_FALSE(p->Bound());
  p->SetAsString("O'Hara");
  EXPECT_EQ(p->DataType(), ftString);
  EXPECT_EQ(p->Text(), "O'Hara");
  p->SetAsInteger(7);
  EXPECT_EQ(p->DataType(), ftInteger);
  EXPECT_EQ(p->AsInteger(), 7);
  p->SetAsCurrency(2.5);
  EXPECT_EQ(p->DataType(), ftCurrency);
  EXPECT_EQ(p->AsFloat(), 2.5);
  p->SetAsDate(EncodeDate(2024, 3, 1));
  EXPECT_EQ(p->DataType(), ftDate);
  EXPECT_EQ(p->AsDateTime(), EncodeDate(2024, 3, 1));
  p->SetAsDateTime(1.5);
  EXPECT_EQ(p->DataType(), ftDateTime);
  p->SetAsBoolean(true);
  EXPECT_EQ(p->DataType(), ftBoolean);
  EXPECT_TRUE(p->AsBoolean());
  EXPECT_TRUE(p->Bound());
  p->Clear();
  EXPECT_TRUE(p->IsNull());
  TParam* untyped = params.Add("u");
  untyped->SetValue(Variant(1.25));
  EXPECT_EQ(untyped->DataType(), ftFloat);
}

TEST(Params, AssignValuesFillsEveryParameterOfTheName) {
  TParams old;
  old.Add("id")->SetAsInteger(5);
  old.Add("name")->SetAsString("x");
  old.Add("gone")->SetAsString("unused");
  TParams fresh;
  fresh.ParseSQL("where id = :id or parent = :ID and name <> :name and z = :z", true);
  fresh.AssignValues(old);
  ASSERT_EQ(fresh.Count(), 4);
  EXPECT_EQ(fresh[0]->AsInteger(), 5);
  EXPECT_EQ(fresh[1]->AsInteger(), 5);
  EXPECT_EQ(fresh[1]->Name(), "ID");
  EXPECT_EQ(fresh[2]->AsString(), "x");
  EXPECT_TRUE(fresh[3]->IsNull());
  EXPECT_EQ(fresh.FindParam("gone"), nullptr);

  TParams copy(fresh);
  EXPECT_TRUE(copy.IsEqual(fresh));
  copy[0]->SetAsInteger(6);
  EXPECT_FALSE(copy.IsEqual(fresh));
  EXPECT_EQ(fresh[0]->AsInteger(), 5);
}

}  // namespace
}  // namespace morvane
