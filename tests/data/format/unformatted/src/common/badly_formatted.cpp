#include <string>
namespace tamberlin {
int   badlyFormatted( int a,int b ){ return a+b; }
}
