// Placeholder translation unit until the module's first source lands.
namespace tarvox {}
