#include "model/Calculateformula.h"

#include "foundation/Tlisteners.h"
#include "model/Tdiscussion.h"

#include <cctype>
#include <cmath>
#include <unordered_map>

namespace {

constexpr int MaxNesting = 100;  // parentheses and signs; keeps the parser's stack small

// Recursive descent over the text, emitting postfix steps.
class TFormulaParser {
public:
  TFormulaParser(const TDiscussion& discussion, std::string_view text, TFormulaProgram& program)
      : Discussion(discussion), Text(text), Program(program) {}

  bool Parse(std::string& error) {
    SkipBlanks();
    if (Pos >= Text.size()) return Fail(error, "Empty formula");
    if (!Sum(error, 0)) return false;
    SkipBlanks();
    if (Pos < Text.size()) return Unexpected(error);
    return true;
  }

private:
  const TDiscussion& Discussion;
  std::string_view Text;
  TFormulaProgram& Program;
  size_t Pos = 0;

  void SkipBlanks() {
    while (Pos < Text.size() && (Text[Pos] == ' ' || Text[Pos] == '\t' || Text[Pos] == '\r' || Text[Pos] == '\n')) ++Pos;
  }
  char Peek() {
    SkipBlanks();
    return Pos < Text.size() ? Text[Pos] : '\0';
  }
  std::string Position() const { return "Syntax error at position " + std::to_string(Pos + 1) + ": "; }
  static bool Fail(std::string& error, const std::string& text) {
    error = text;
    return false;
  }
  bool Unexpected(std::string& error) {
    if (Text[Pos] == ',') return Fail(error, Position() + "the decimal separator is '.'");
    return Fail(error, Position() + "unexpected character '" + std::string(1, Text[Pos]) + "'");
  }
  void Emit(uint8_t op) { Program.Steps.push_back({op, 0, {}}); }

  bool Sum(std::string& error, int depth) {
    if (!Product(error, depth)) return false;
    for (char c = Peek(); c == '+' || c == '-'; c = Peek()) {
      ++Pos;
      if (!Product(error, depth)) return false;
      Emit(c == '+' ? TFormulaProgram::Add : TFormulaProgram::Subtract);
    }
    return true;
  }

  bool Product(std::string& error, int depth) {
    if (!Unary(error, depth)) return false;
    for (char c = Peek(); c == '*' || c == '/'; c = Peek()) {
      ++Pos;
      if (!Unary(error, depth)) return false;
      Emit(c == '*' ? TFormulaProgram::Multiply : TFormulaProgram::Divide);
    }
    return true;
  }

  bool Unary(std::string& error, int depth) {
    if (depth > MaxNesting) return Fail(error, "Formula is nested too deeply");
    const char c = Peek();
    if (c == '-' || c == '+') {
      ++Pos;
      if (!Unary(error, depth + 1)) return false;
      if (c == '-') Emit(TFormulaProgram::Negate);
      return true;
    }
    return Primary(error, depth);
  }

  bool Primary(std::string& error, int depth) {
    const char c = Peek();
    if (c == '(') {
      ++Pos;
      if (!Sum(error, depth + 1)) return false;
      if (Peek() != ')') return Fail(error, Position() + "')' expected");
      ++Pos;
      return true;
    }
    if (c == '<') return Reference(error);
    if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return Number(error);
    if (c == '\0') return Fail(error, Position() + "number, block reference or '(' expected");
    return Unexpected(error);
  }

  bool Number(std::string& error) {
    const size_t start = Pos;
    size_t digits = 0;
    while (Pos < Text.size() && std::isdigit(static_cast<unsigned char>(Text[Pos]))) ++Pos, ++digits;
    if (Pos < Text.size() && Text[Pos] == '.') {
      ++Pos;
      while (Pos < Text.size() && std::isdigit(static_cast<unsigned char>(Text[Pos]))) ++Pos, ++digits;
    }
    if (digits == 0) {
      Pos = start;
      return Fail(error, Position() + "digits expected");
    }
    if (Pos < Text.size() && Text[Pos] == ',') return Fail(error, Position() + "the decimal separator is '.'");
    const double value = std::strtod(std::string(Text.substr(start, Pos - start)).c_str(), nullptr);
    if (!std::isfinite(value)) return Fail(error, "Value out of range");
    Program.Steps.push_back({TFormulaProgram::Number, value, {}});
    return true;
  }

  bool Reference(std::string& error) {
    const size_t open = Pos++;
    const size_t close = Text.find('>', Pos);
    if (close == std::string_view::npos) {
      Pos = open;
      return Fail(error, Position() + "'>' expected after the block name");
    }
    std::string name;
    for (size_t i = Pos; i < close; ++i)
      if (Text[i] != ' ' && Text[i] != '\t') name += Text[i];
    if (name.empty()) {
      Pos = open;
      return Fail(error, Position() + "block name expected");
    }
    Pos = close + 1;
    const TDiscBlockIndex block = Discussion.Storages.FindDiscBlockIndexByName(name);
    if (block.IsEmpty()) return Fail(error, "Unknown block <" + name + ">");
    if (!Discussion.Storages.GetDiscBlock(block)->IsAlive()) return Fail(error, "Block <" + name + "> is deleted");
    Program.Steps.push_back({TFormulaProgram::Reference, 0, block});
    return true;
  }
};

}  // namespace

bool TFormulaProgram::Compile(const TDiscussion& discussion, std::string_view text, std::string& error) {
  Steps.clear();
  error.clear();
  return TFormulaParser(discussion, text, *this).Parse(error);
}

bool TFormulaProgram::Run(TDiscussion& discussion, double& value, std::string& error,
                          const std::vector<double>* computed) const {
  // The stack never holds more values than there are steps.
  thread_local std::vector<double> stack;
  stack.clear();
  stack.reserve(Steps.size());
  for (const TStep& step : Steps) {
    switch (step.Op) {
      case Number: stack.push_back(step.Value); continue;
      case Reference: stack.push_back(GetPossibilityInForce(discussion, step.Block)); continue;
      case Computed: stack.push_back((*computed)[size_t(step.Value)]); continue;
      case Negate: stack.back() = -stack.back(); continue;
      default: break;
    }
    const double right = stack.back();
    stack.pop_back();
    double& left = stack.back();
    switch (step.Op) {
      case Add: left += right; break;
      case Subtract: left -= right; break;
      case Multiply: left *= right; break;
      case Divide:
        if (right == 0) {
          error = "Division by zero";
          return false;
        }
        left /= right;
        break;
    }
    if (!std::isfinite(left)) {
      error = "Value out of range";
      return false;
    }
  }
  value = stack.empty() ? 0 : stack.back();
  return true;
}

int GetPossibilityInForce(TDiscussion& discussion, TDiscBlockIndex block) {
  const TDiscBlock* record = discussion.Storages.GetDiscBlock(block);
  if (record == nullptr) return 0;
  const int property = discussion.ReaderProperties.Find(record->GetDiscBlockCode());
  return property >= 0 ? discussion.ReaderProperties.Items[property].GetPossibility() : record->Possibility;
}

int FormulaValueToPossibility(double value) {
  if (!(value > 0)) return 0;
  if (value >= 100) return 100;
  return int(value);
}

namespace {

// Stores a valid result: the conclusion's possibility in force and the formula's value
// flag. True when the conclusion's possibility changed.
bool StoreFormulaValue(TDiscussion& discussion, TDiscBlockIndex conclusion, TDiscBlockIndex formula, double value) {
  if (TDiscBlock* block = discussion.Storages.IsValidIndex(formula) ? discussion.Storages.GetDiscBlock(formula) : nullptr) {
    const uint8_t flag = value != 0 ? 1 : 0;
    if (block->FormulaValue != flag) {
      discussion.Undo.AddDiscBlockFieldChange(discussion, formula, BlockField_FormulaValue, block->FormulaValue);
      block->FormulaValue = flag;
    }
  }
  if (!discussion.Storages.IsValidIndex(conclusion)) return false;
  const int possibility = FormulaValueToPossibility(value);
  if (GetPossibilityInForce(discussion, conclusion) == possibility) return false;
  const int property = discussion.FindReaderProperty(conclusion, true);
  if (property < 0) return false;
  TReaderProperty& record = discussion.ReaderProperties.Items[property];
  discussion.Undo.AddReaderPropertyFieldChange(property, PropertyField_Possibility, record.Possibility);
  record.Possibility = uint8_t(possibility);
  return true;
}

}  // namespace

bool CalculateFormula(TDiscussion& discussion, TDiscBlockIndex conclusion, TDiscBlockIndex formula,
                      const TStr& formulaText, TStr& errorText, double& value, int flag) {
  errorText.Clear();
  value = 0;
  TFormulaProgram program;
  std::string error;
  bool valid = program.Compile(discussion, formulaText.View(), error);
  for (size_t i = 0; valid && i < program.Steps.size(); ++i) {
    const TFormulaProgram::TStep& step = program.Steps[i];
    if (step.Op == TFormulaProgram::Reference && !conclusion.IsEmpty() && step.Block == conclusion) {
      error = "Formula refers to its own conclusion <" + discussion.Storages.GetDiscBlock(conclusion)->Name + ">";
      valid = false;
    }
  }
  if (valid) valid = program.Run(discussion, value, error);
  if (!valid) {
    errorText = error;
    value = 0;
    return false;
  }
  if (flag && StoreFormulaValue(discussion, conclusion, formula, value))
    SendBlockNotification(Notify_BlockChanged, discussion, conclusion, true);
  return true;
}

namespace {

uint32_t Key(TDiscBlockCode code) { return (uint32_t(code.StorageType) << 16) | code.BlockNum; }

// A conclusion and the formula that computes it in this pass.
struct TFeed {
  TDiscBlockIndex Conclusion;
  TDiscBlockIndex Formula;
  TFormulaProgram Program;
  bool Valid = false;
  int Waiting = 0;  // feeding conclusions not yet computed
};

// One pass over every formula of a discussion: each conclusion is computed once, by its
// chosen formula, after every conclusion that formula reads.
class TFormulaPass {
public:
  TFormulaPass(TDiscussion& discussion, std::vector<TFormulaError>* errorsOut)
      : Discussion(discussion), Storages(discussion.Storages), ErrorsOut(errorsOut) {}

  // The number of formulas that failed.
  int Run() {
    AssignFeeds(LiveFormulas(), ChosenFormulas());
    CompileFeeds();
    IndexDependants();
    RunInDependencyOrder();
    ReportCycles();
    FlagOtherFormulas();
    // One notification for the whole discussion rather than one per conclusion.
    if (Changed) TListeners::SendPair(Notify_BlockChanged, reinterpret_cast<intptr_t>(&Discussion), 0, true);
    return Failures;
  }

private:
  TDiscussion& Discussion;
  TDiscBlockStorages& Storages;
  std::vector<TFormulaError>* ErrorsOut;
  std::vector<TFeed> Feeds;
  std::vector<TDiscBlockIndex> Others;  // formulas not chosen for their conclusions
  std::vector<int> FeedAt[StorageType_ModeratedComments + 1];  // by storage and position, -1 for none
  std::vector<std::string> Errors;  // by feed
  // The feeds reading feed s are Dependants[First[s] .. First[s + 1]).
  std::vector<std::pair<int, int>> Edges;  // (source feed, reading feed)
  std::vector<int> First, Dependants;
  std::vector<char> Done;
  int Failures = 0;
  bool Changed = false;

  int& FeedOf(TDiscBlockIndex block) { return FeedAt[block.StorageType][block.Index]; }

  // Every live formula block with a live conclusion, in storage order.
  std::vector<TDiscBlockIndex> LiveFormulas() const {
    std::vector<TDiscBlockIndex> formulas;
    for (uint8_t type = StorageType_Model; type <= StorageType_ModeratedComments; ++type) {
      const TBlocksStorage& storage = *Storages.GetStorage(type);
      for (int i = 0; i < storage.Count(); ++i) {
        const TDiscBlock& block = storage.Block(i);
        if (block.TextType != TextType_Formula || !block.IsAlive() || !Storages.IsValidIndex(block.Conclusion)) continue;
        if (!Storages.GetDiscBlock(block.Conclusion)->IsAlive()) continue;
        formulas.push_back(TDiscBlockIndex{type, uint16_t(i)});
      }
    }
    return formulas;
  }

  // The formula the user chose for a conclusion (relation type 3): conclusion code -> formula code.
  std::unordered_map<uint32_t, uint32_t> ChosenFormulas() const {
    std::unordered_map<uint32_t, uint32_t> chosen;
    for (const TBrowseItemIdentsPair& pair : Discussion.User.Pairs)
      if (pair.RelationType == UserRelation_SelectedFormula && pair.First.Kind == BrowseItem_Block &&
          pair.Second.Kind == BrowseItem_Block)
        chosen.emplace(Key(pair.First.Code), Key(pair.Second.Code));
    return chosen;
  }

  // One feed per conclusion: its chosen formula, else the first one found.
  void AssignFeeds(const std::vector<TDiscBlockIndex>& formulas, const std::unordered_map<uint32_t, uint32_t>& chosen) {
    Feeds.reserve(formulas.size());
    for (uint8_t type = StorageType_Model; type <= StorageType_ModeratedComments; ++type)
      FeedAt[type].assign(size_t(Storages.GetStorage(type)->Count()), -1);
    for (const TDiscBlockIndex formula : formulas) {
      const TDiscBlock& block = *Storages.GetDiscBlock(formula);
      bool isChosen = false;
      if (!chosen.empty()) {
        const auto choice = chosen.find(Key(Storages.GetDiscBlock(block.Conclusion)->GetDiscBlockCode()));
        isChosen = choice != chosen.end() && choice->second == Key(block.GetDiscBlockCode());
      }
      int& existing = FeedOf(block.Conclusion);
      if (existing < 0) {
        existing = int(Feeds.size());
        Feeds.push_back(TFeed{block.Conclusion, formula, {}, false, 0});
      } else if (isChosen) {
        Others.push_back(Feeds[size_t(existing)].Formula);
        Feeds[size_t(existing)].Formula = formula;
      } else {
        Others.push_back(formula);
      }
    }
  }

  // Compiles every feed. A reference to another computed conclusion reads the table of
  // this pass (an edge between the feeds); any other block keeps its possibility
  // throughout the pass, so it is read once here.
  void CompileFeeds() {
    Errors.resize(Feeds.size());
    for (size_t f = 0; f < Feeds.size(); ++f) {
      TFeed& feed = Feeds[f];
      feed.Valid =
          feed.Program.Compile(Discussion, Storages.GetStrHashItem(feed.Formula)->Str.FormulaText.View(), Errors[f]);
      if (!feed.Valid) continue;
      for (TFormulaProgram::TStep& step : feed.Program.Steps) {
        if (step.Op != TFormulaProgram::Reference) continue;
        const int source = FeedOf(step.Block);
        if (source < 0) {
          step.Op = TFormulaProgram::Number;
          step.Value = GetPossibilityInForce(Discussion, step.Block);
          continue;
        }
        step.Op = TFormulaProgram::Computed;
        step.Value = source;
        Edges.emplace_back(source, int(f));
        ++feed.Waiting;
      }
    }
  }

  // The edges grouped by their source feed.
  void IndexDependants() {
    First.assign(Feeds.size() + 1, 0);
    for (const auto& edge : Edges) ++First[size_t(edge.first) + 1];
    for (size_t f = 0; f < Feeds.size(); ++f) First[f + 1] += First[f];
    Dependants.resize(Edges.size());
    std::vector<int> fill(First.begin(), First.end() - 1);
    for (const auto& edge : Edges) Dependants[size_t(fill[size_t(edge.first)]++)] = edge.second;
  }

  void Fail(const TFeed& feed, const std::string& error) {
    ++Failures;
    if (ErrorsOut) ErrorsOut->push_back(TFormulaError{feed.Formula, TStr(error)});
  }

  // Kahn's order: a feed runs once every conclusion it reads is computed, first ready
  // first run (storage order where free). Whatever never becomes ready lies on or behind
  // a cycle.
  void RunInDependencyOrder() {
    std::vector<int> ready;
    for (size_t f = 0; f < Feeds.size(); ++f)
      if (Feeds[f].Waiting == 0) ready.push_back(int(f));
    Done.assign(Feeds.size(), 0);
    // The possibility in force of each computed conclusion, as it stands after its formula
    // ran (or failed); a feed is read only after it ran.
    std::vector<double> computed(Feeds.size());
    for (size_t next = 0; next < ready.size(); ++next) {
      const int f = ready[next];
      Done[size_t(f)] = 1;
      TFeed& feed = Feeds[size_t(f)];
      double value = 0;
      if (feed.Valid && feed.Program.Run(Discussion, value, Errors[size_t(f)], &computed)) {
        Changed = StoreFormulaValue(Discussion, feed.Conclusion, feed.Formula, value) || Changed;
        computed[size_t(f)] = FormulaValueToPossibility(value);
      } else {
        Fail(feed, Errors[size_t(f)]);
        computed[size_t(f)] = GetPossibilityInForce(Discussion, feed.Conclusion);
      }
      for (int e = First[size_t(f)]; e < First[size_t(f) + 1]; ++e)
        if (--Feeds[size_t(Dependants[size_t(e)])].Waiting == 0) ready.push_back(Dependants[size_t(e)]);
    }
  }

  void ReportCycles() {
    for (size_t f = 0; f < Feeds.size(); ++f)
      if (!Done[f])
        Fail(Feeds[f], "Formulas form a cycle through <" + Storages.GetDiscBlock(Feeds[f].Conclusion)->Name + ">");
  }

  // The formulas not chosen for their conclusions only get their value flags.
  void FlagOtherFormulas() {
    for (const TDiscBlockIndex formula : Others) {
      TFormulaProgram program;
      std::string error;
      double value = 0;
      if (program.Compile(Discussion, Storages.GetStrHashItem(formula)->Str.FormulaText.View(), error) &&
          program.Run(Discussion, value, error))
        StoreFormulaValue(Discussion, {}, formula, value);
    }
  }
};

}  // namespace

int TDiscussion::CalculateFormulas(std::vector<TFormulaError>* errorsOut) {
  return TFormulaPass(*this, errorsOut).Run();
}
