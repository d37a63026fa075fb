// Descriptions that name the form's members and handlers: what Build stores
// and binds, and the mistakes it refuses.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "core/Exceptions.h"
#include "tests/ui/TestForm.h"

namespace {

// A list class of a form's own, with an event the standard list lacks.
class TChangingList : public TListBox {
public:
    using TListBox::TListBox;
    TNotifyEvent OnChange;
    void Change()
    {
        if (OnChange)
            OnChange(this);
    }
};

class TBindingForm : public TForm {
public:
    explicit TBindingForm(const TFormDescription& aDescription) : TForm(nullptr, 96)
    {
        Build(aDescription);
        DoCreate();
    }
    TEdit* Edit = nullptr;
    TButton* Button = nullptr;
    TChangingList* List = nullptr;
    TLabel* EditLabel = nullptr;
    TImageList* Images = nullptr;
    std::vector<std::string> Calls;

    void FormCreate(TComponent* Sender) { Calls.push_back("create " + Sender->Name); }
    void ButtonClick(TComponent* Sender) { Calls.push_back("click " + Sender->Name); }
    void EditChange(TComponent* Sender) { Calls.push_back("change " + Sender->Name); }
    void ListChange(TComponent* Sender) { Calls.push_back("list change " + Sender->Name); }
    void ListDblClick(TComponent* Sender) { Calls.push_back("double click " + Sender->Name); }
};

class TOtherForm : public TForm {
public:
    explicit TOtherForm(const TFormDescription& aDescription) : TForm(nullptr, 96) { Build(aDescription); }
};

using F = TBindingForm;

// clang-format off
const TControlDescription kControls[] = {
    {.Name = FieldOf<&F::EditLabel>, .Left = 8, .Top = 8, .Width = 60, .Height = 13,
     .Text = "&Name:", .Link = FieldOf<&F::Edit>},
    {.Name = FieldOf<&F::Edit>, .Id = 301, .Left = 8, .Top = 24, .Width = 100, .Height = 21,
     .TabOrder = 0, .OnChange = HandlerOf<&F::EditChange>},
    {.Name = FieldOf<&F::List>, .Id = 302, .Left = 8, .Top = 50, .Width = 100, .Height = 60,
     .TabOrder = 1, .OnChange = HandlerOf<&F::ListChange>, .OnDblClick = HandlerOf<&F::ListDblClick>},
    {.Name = FieldOf<&F::Button>, .Id = 303, .Left = 120, .Top = 24, .Width = 65, .Height = 25,
     .Text = "&Go", .TabOrder = 2, .OnClick = HandlerOf<&F::ButtonClick>},
    {.Name = FieldOf<&F::Images>, .Width = 20, .Height = 20},
};
// clang-format on

TFormDescription Description(const TControlDescription* aControls, size_t aCount)
{
    return {.ClassName = "TBindingForm",
            .Caption = "Binding",
            .Width = 200,
            .Height = 120,
            .ClientSize = true,
            .Controls = aControls,
            .ControlCount = aCount,
            .OnCreate = HandlerOf<&F::FormCreate>};
}

template <typename TF>
std::string BuildError(const TFormDescription& aDescription)
{
    try {
        TF form(aDescription);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

} // namespace

TEST(FormBinding, MembersReceiveTheComponentsOfTheirOwnClass)
{
    TBindingForm form(Description(kControls, std::size(kControls)));
    // Each member holds the component of its name; the list is of the
    // member's class, which no kind of the framework names.
    const std::pair<const char*, TComponent*> members[] = {
        {"EditLabel", form.EditLabel}, {"Edit", form.Edit},     {"List", form.List},
        {"Button", form.Button},       {"Images", form.Images},
    };
    for (const auto& [name, member] : members) {
        ASSERT_NE(member, nullptr) << name;
        EXPECT_EQ(form.FindComponent(name), member) << name;
    }
    EXPECT_EQ(form.EditLabel->FocusControl(), form.Edit);
    int width = 0, height = 0;
    ImageList_GetIconSize(form.Images->Handle(), &width, &height);
    EXPECT_EQ(width, 20);
    EXPECT_EQ(height, 20);
}

TEST(FormBinding, AMemberGivesTheComponentItsOwnName)
{
    // One spelling per row: the member's name is read from the member itself.
    static_assert(std::string_view(FieldOf<&F::EditLabel>.Name) == "EditLabel");
    static_assert(std::string_view(FieldOf<&TTestForm::ThrowButton>.Name) == "ThrowButton");
    TTestForm form;
    EXPECT_EQ(form.ThrowButton->Name, "ThrowButton");
    EXPECT_EQ(form.FindComponent("ThrowButton"), form.ThrowButton);
    // A component without a member keeps the name its row gives.
    EXPECT_NE(form.FindComponent("Images"), nullptr);
}

TEST(FormBinding, HandlersRunOnTheirEvents)
{
    TBindingForm form(Description(kControls, std::size(kControls)));
    SendMessageA(form.Button->Handle(), BM_CLICK, 0, 0);
    SendMessageA(form.Edit->Handle(), WM_CHAR, 'x', 1);
    form.List->Change();
    SendMessageA(form.Handle(), WM_COMMAND, MAKEWPARAM(302, LBN_DBLCLK), reinterpret_cast<LPARAM>(form.List->Handle()));
    EXPECT_EQ(form.Calls, (std::vector<std::string>{"create ", "click Button", "change Edit", "list change List",
                                                    "double click List"}));
}

TEST(FormBinding, MistakesTheCompilerCannotSeeFailTheBuild)
{
    struct Row {
        TControlDescription Control;
        const char* Expected;
    };
    const Row rows[] = {
        {{.Name = FieldOf<&F::Button>, .OnChange = HandlerOf<&F::EditChange>},
         "Component 'Button' has no OnChange event"},
        {{.Kind = KindOf<TEdit>, .Name = FieldOf<&F::Edit>}, "Component 'Edit' has both a field and a kind"},
        {{.Name = "N"}, "Component 'N' has neither a field nor a kind"},
        {{.Kind = KindOf<TLabel>, .Name = "L", .Resource = "Edit"}, "Component 'L' names its linked component in Link"},
        {{.Kind = KindOf<TToolBar>, .Name = "T", .Resource = "FOLDER"},
         "Component 'T' names its linked component in Link"},
        {{.Kind = KindOf<TEdit>, .Name = "E", .Parent = "Panel"}, "Parent of 'E' not found"},
        {{.Kind = KindOf<TLabel>, .Name = "L", .Link = "Nowhere"}, "Control of 'L' not found"},
        {{.Kind = KindOf<TEdit>, .Name = "E", .Link = "E"}, "Component 'E' takes no link"},
        {{.Kind = KindOf<TToolBar>, .Name = "T", .Link = "T"}, "Image list of 'T' not found"},
        {{.Kind = KindOf<TToolButton>, .Name = "B"}, "Tool button 'B' needs a tool bar"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(BuildError<TBindingForm>(Description(&row.Control, 1)), row.Expected);
    // A description written for one form class does not build another.
    EXPECT_EQ(BuildError<TOtherForm>(Description(kControls, std::size(kControls))),
              "Form '' is built from the description of another form class");
}
