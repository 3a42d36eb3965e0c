package it.tavora.sample.maven;

import org.apache.commons.lang3.StringUtils;

/** Prints what only its dependency can: the jar's version and its word work; exits with the argument count. */
public final class HelloMaven {
    public static void main(String[] args) {
        Package lang = StringUtils.class.getPackage();
        System.out.println("hello-maven: " + System.getProperty("hello.greeting", "(no greeting)"));
        System.out.println("hello-maven: commons-lang3 " + lang.getImplementationVersion());
        System.out.println("hello-maven: " + StringUtils.reverseDelimited(StringUtils.join(args, '.'), '.'));
        System.exit(args.length);
    }
}
