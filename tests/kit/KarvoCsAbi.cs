// Reads the P/Invoke declarations of the compiled Karvo.cs and prints, per
// declaration: name, entry point, calling convention and the bytes of
// arguments its marshalling puts on the native stack. The export-list test
// compares that with the list.
using System;
using System.Reflection;
using System.Runtime.InteropServices;

static class KarvoCsAbi
{
    static int StackBytes(ParameterInfo p)
    {
        if (p.ParameterType.IsByRef) return 4;
        if (p.ParameterType == typeof(object))
        {
            // An object goes as a VARIANT unless marshalled as an interface.
            var m = (MarshalAsAttribute)Attribute.GetCustomAttribute(p, typeof(MarshalAsAttribute));
            if (m == null || m.Value == UnmanagedType.Struct) return 16;
            return 4;
        }
        if (p.ParameterType == typeof(long) || p.ParameterType == typeof(ulong) || p.ParameterType == typeof(double))
            return 8;
        return 4;
    }

    static int Main(string[] args)
    {
        Assembly a = Assembly.LoadFrom(args[0]);
        foreach (Type t in a.GetTypes())
            foreach (MethodInfo m in t.GetMethods(BindingFlags.Public | BindingFlags.Static))
            {
                var d = (DllImportAttribute)Attribute.GetCustomAttribute(m, typeof(DllImportAttribute));
                if (d == null) continue;
                int bytes = 0;
                foreach (ParameterInfo p in m.GetParameters()) bytes += StackBytes(p);
                Console.WriteLine("{0} {1} {2} {3}", m.Name, d.EntryPoint, d.CallingConvention, bytes);
            }
        return 0;
    }
}
